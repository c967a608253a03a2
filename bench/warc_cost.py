#!/usr/bin/env python3
"""What writing a WARC file costs a crawl: the same generated site loaded with tarrow-cli without
and with -warc, alternately, reporting the median wall and CPU time of each and the file's size.

Generates a site of N pages (the pages of crawl_vs_wget.py), serves it with nginx on 127.0.0.1,
and runs each way R times with C connections.

    bench/warc_cost.py BUILD_DIR [N] [R] [C]      (defaults: 500 5 1)
"""
import os, statistics, sys

from benchlib import measure
from crawl_vs_wget import served_site


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    given = [int(a) for a in sys.argv[2:5]]
    n, repeats, connections = given + [500, 5, 1][len(given):]
    with served_site(n, "tarrow-warc-") as (tmp, _, settings):
        cli = os.path.join(build, "cli", "tarrow-cli")
        warc = os.path.join(tmp, "bench.warc.gz")
        times = {"without": [], "with -warc": []}
        for i in range(repeats):
            ways = [("without", []), ("with -warc", ["-warc", warc])]
            for name, extra in ways if i % 2 == 0 else reversed(ways):  # neither always first
                # A fresh folder each time: creating files where many were just deleted costs
                # ext4 more than the WARC file does.
                out = os.path.join(tmp, f"out-{i}-{len(extra)}")
                wall, cpu, _, code = measure([cli, "-settingsdir", settings, "-outdir", out,
                                              "-connections", str(connections)] + extra, tmp)
                if code != 0:
                    sys.exit(f"tarrow-cli {name} ended with status {code}")
                times[name].append((wall, cpu))
        warc_mb = os.path.getsize(warc) / 1e6
    for name, runs in times.items():
        print(f"N={n} connections={connections} {name:11s} "
              f"wall={statistics.median(w for w, _ in runs):6.3f}s "
              f"cpu={statistics.median(c for _, c in runs):6.3f}s (median of {repeats})")
    print(f"WARC file: {warc_mb:.2f} MB")


if __name__ == "__main__":
    main()
