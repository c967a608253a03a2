#!/usr/bin/env python3
"""Crawl a generated site with tarrow-cli and with wget in the same run.

Generates a site of N pages (about 20 links and one image each), serves it with nginx on
127.0.0.1, and loads it with tarrow-cli and with
`wget -r -l inf -np -k -p -e robots=off -nv`, reporting wall time, CPU time and peak memory.

    bench/crawl_vs_wget.py BUILD_DIR [N ...]      (default N: 1000 10000)
"""
import contextlib, os, random, shutil, subprocess, sys, tempfile

from benchlib import free_port, measure, start_nginx, write_bench_settings

PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082")


def generate(site, n):
    rng = random.Random(42)
    os.makedirs(os.path.join(site, "site", "img"))
    for i in range(n):
        links = {(i + 1) % n} | {rng.randrange(n) for _ in range(19)}
        body = "".join(f'<li><a href="p{j}.html">Page {j}</a></li>\n' for j in sorted(links))
        html = (f"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Page {i}</title>"
                f"<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"></head><body>"
                f"<h1>Page {i}</h1><img src=\"img/i{i}.png\" alt=\"\"><ul>\n{body}</ul>"
                f"<p>{'Lorem ipsum dolor sit amet. ' * 20}</p></body></html>\n")
        with open(os.path.join(site, "site", f"p{i}.html"), "w") as f:
            f.write(html)
        with open(os.path.join(site, "site", "img", f"i{i}.png"), "wb") as f:
            f.write(PNG)
    with open(os.path.join(site, "site", "style.css"), "w") as f:
        f.write("body{font-family:sans-serif}\n")
    shutil.copy(os.path.join(site, "site", "p0.html"), os.path.join(site, "site", "index.html"))


@contextlib.contextmanager
def served_site(n, prefix):
    """A generated site of N pages served by nginx on 127.0.0.1, and a settings folder with one
    project of it: yields (work folder, port, settings folder); everything goes afterwards."""
    tmp = tempfile.mkdtemp(prefix=prefix)
    os.chmod(tmp, 0o755)  # nginx workers may run as another user
    try:
        site = os.path.join(tmp, "www")
        generate(site, n)
        port = free_port()
        nginx = start_nginx(tmp, site, port)
        try:
            yield tmp, port, write_bench_settings(tmp, port)
        finally:
            nginx.terminate()
            nginx.wait()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def run(build, n):
    with served_site(n, "tarrow-bench-") as (tmp, port, settings):
        cli = os.path.join(build, "cli", "tarrow-cli")
        t = measure([cli, "-settingsdir", settings, "-outdir", os.path.join(tmp, "tarrow")], tmp)
        os.makedirs(os.path.join(tmp, "wget"))
        w = measure(["wget", "-r", "-l", "inf", "-np", "-k", "-p", "-e", "robots=off", "-nv",
                     f"http://127.0.0.1:{port}/site/"], os.path.join(tmp, "wget"))
        files_t = sum(len(fs) for _, _, fs in os.walk(os.path.join(tmp, "tarrow")))
        files_w = sum(len(fs) for _, _, fs in os.walk(os.path.join(tmp, "wget")))
    for name, (wall, cpu, rss, code), files in (("tarrow-cli", t, files_t), ("wget", w, files_w)):
        print(f"N={n:6d} {name:10s} exit={code} files={files:6d} wall={wall:7.2f}s "
              f"cpu={cpu:7.2f}s peak={rss:7.1f}MiB  per-URL={1e6 * wall / max(files, 1):7.1f}us")
    sys.stdout.flush()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    sizes = [int(a) for a in sys.argv[2:]] or [1000, 10000]
    for n in sizes:
        run(os.path.abspath(sys.argv[1]), n)


if __name__ == "__main__":
    main()
