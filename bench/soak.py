#!/usr/bin/env python3
"""Soak run: a generated site of 50,000 pages crawled twice with tarrow-cli.

Generates the site (an index, 200 section pages and their pages, each page with a few links to
its neighbours, a shared style sheet and a shared image), serves it with nginx on 127.0.0.1, and
runs tarrow-cli on it twice into the same output folder: first with "Overwrite all files", then
with "Overwrite changed files only" (every file is then compared, none written). For each run it
reports wall and CPU time, the peak resident memory, and the resident memory sampled while the
run goes on, against the entry being processed.

The URL table is complete once the section pages are processed (the first 0.4 % of the entries),
so from then on memory must stay flat: whatever it still gains per processed page is growth
beyond the URL table. Several sizes show the cost of the table itself per entry.

    bench/soak.py BUILD_DIR [--connections N] [PAGES ...]      (default PAGES: 50000)

With --connections N the project runs N transfers at once (its Connections key).
"""
import os, re, shutil, subprocess, sys, tempfile, time

from benchlib import free_port, memory_kib, start_nginx

SECTIONS = 200
PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082")
TEXT = ("Harbour lights flicker over the quay; the ferry to Ærø leaves at dawn. " * 24)



def page(title, links, depth):
    up = "../" * depth
    items = "".join(f'<li><a href="{href}">{text}</a></li>\n' for href, text in links)
    return (f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>{title}</title>'
            f'<link rel="stylesheet" type="text/css" href="{up}style.css"></head><body>'
            f'<img src="{up}img/logo.png" alt=""><h1>{title}</h1><ul>\n{items}</ul>'
            f'<p>{TEXT}</p><a href="{up}">Home</a></body></html>\n')


def generate(www, pages):
    """The site under www/site/; returns the number of URLs a crawl finds."""
    site = os.path.join(www, "site")
    os.makedirs(os.path.join(site, "img"))
    per_section = max(1, -(-(pages - 1 - SECTIONS) // SECTIONS))  # at least PAGES pages
    sections = [(f"s{s}/", f"Section {s}") for s in range(SECTIONS)]
    with open(os.path.join(site, "index.html"), "w") as f:
        f.write(page("Harbour Lights", sections, 0))
    for s in range(SECTIONS):
        folder = os.path.join(site, f"s{s}")
        os.makedirs(folder)
        names = [f"p{p}.html" for p in range(per_section)]
        with open(os.path.join(folder, "index.html"), "w") as f:
            f.write(page(f"Section {s}", [(n, n) for n in names], 1))
        for p, name in enumerate(names):
            links = [("./", "Section"), (names[p - 1], "Previous"),
                     (names[(p + 1) % per_section], "Next"), (f"../s{(s + 1) % SECTIONS}/", "On")]
            with open(os.path.join(folder, name), "w") as f:
                f.write(page(f"Page {s}.{p}", links, 1))
    with open(os.path.join(site, "style.css"), "w") as f:
        f.write("body{font-family:sans-serif}\n")
    with open(os.path.join(site, "img", "logo.png"), "wb") as f:
        f.write(PNG)
    return 1 + SECTIONS + SECTIONS * per_section + 2


CONNECTIONS = 1


def write_settings(folder, port, overwrite):
    os.makedirs(folder)
    connections = f"TarrowProjects[1].Connections={CONNECTIONS}\n" if CONNECTIONS > 1 else ""
    with open(os.path.join(folder, "tarrow.ini"), "w") as f:
        f.write("TarrowProjectsN=1\n"
                "TarrowProjects[1].ProjectName=Soak\n"
                f"TarrowProjects[1].WebsiteURL=http://127.0.0.1:{port}/site/\n"
                "TarrowProjects[1].OutputFolder={OutDir}/{ProjectName}\n"
                f"TarrowProjects[1].Overwrite={overwrite}\n"
                "TarrowProjects[1].RelativePathLinks=1\n"
                f"{connections}"
                "TarrowProjects[1].Checked=1\n")


PROGRESS = re.compile(rb"Downloading \[ (\d+) / (\d+) \]")


def last_progress(log_path):
    """The entry number and table size of the last "Downloading" line written so far."""
    try:
        with open(log_path, "rb") as f:
            f.seek(max(0, os.path.getsize(log_path) - 4096))
            hits = PROGRESS.findall(f.read())
    except OSError:
        return None
    return (int(hits[-1][0]), int(hits[-1][1])) if hits else None


def measured_run(cmd, log_path):
    """Runs cmd with its output in log_path, sampling its memory against its progress. Returns
    the wall time, the samples, the exit code, the child's resource usage (its CPU time) and its
    peak RSS in KiB."""
    samples = []  # (entry, table size, RSS KiB, peak RSS KiB)
    peak = 0
    start = time.perf_counter()
    with open(log_path, "wb") as log:
        proc = subprocess.Popen(cmd, stdout=log, stderr=subprocess.STDOUT)
        while True:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid == proc.pid:
                break
            rss, hwm = memory_kib(proc.pid)
            peak = max(peak, hwm or 0)
            progress = last_progress(log_path)
            if rss and progress:
                samples.append((progress[0], progress[1], rss, hwm))
            time.sleep(0.02)
    proc.returncode = os.waitstatus_to_exitcode(status)
    # The child's own ru_maxrss is no use here: Linux keeps the RSS of the Python process it was
    # forked from across the exec. The kernel's high-water mark of the running program is.
    return time.perf_counter() - start, samples, proc.returncode, usage, peak


def report(name, wall, usage, peak, samples, log_path):
    with open(log_path, "rb") as f:
        lines = f.read().decode("utf-8", "replace").splitlines()
    summary = next((l for l in reversed(lines) if l.startswith("Downloaded: ")), "(no summary)")
    cpu = usage.ru_utime + usage.ru_stime
    print(f"  {name}: wall {wall:6.1f} s  cpu {cpu:6.1f} s  peak RSS {peak / 1024:6.1f} MiB"
          f"  | {summary} {lines[-1] if lines else ''}")
    if not samples:
        return
    total = samples[-1][1]
    marks = []
    for fraction in (0.01, 0.10, 0.50, 0.90, 1.0):
        entry = max(1, int(total * fraction))
        near = min(samples, key=lambda s: abs(s[0] - entry))
        marks.append((near[0], near[2]))
    print("    RSS by entry: " + "  ".join(f"{e}: {r / 1024:.1f} MiB" for e, r in marks))
    (e1, r1), (e2, r2) = marks[1], marks[-1]
    if e2 > e1:
        print(f"    growth from entry {e1} to {e2}: {(r2 - r1) * 1024 / (e2 - e1):.1f} bytes per page")
    rises = [(s[0], s[3]) for i, s in enumerate(samples) if i == 0 or s[3] > samples[i - 1][3]]
    print("    peak RSS reached by entry: " +
          "  ".join(f"{e}: {p / 1024:.1f} MiB" for e, p in rises[-4:]))


def run(build, pages):
    tmp = tempfile.mkdtemp(prefix="tarrow-soak-")
    os.chmod(tmp, 0o755)  # nginx workers may run as another user
    try:
        www = os.path.join(tmp, "www")
        t0 = time.perf_counter()
        urls = generate(www, pages)
        print(f"site: {urls} URLs ({pages} pages asked), generated in {time.perf_counter() - t0:.1f} s")
        port = free_port()
        nginx = start_nginx(tmp, www, port)
        try:
            cli = os.path.join(build, "cli", "tarrow-cli")
            out = os.path.join(tmp, "out")
            for run_name, overwrite in (("run 1, overwrite all", 1), ("run 2, changed only", 2)):
                settings = os.path.join(tmp, f"settings{overwrite}")
                write_settings(settings, port, overwrite)
                log_path = os.path.join(tmp, f"run{overwrite}.log")
                wall, samples, code, usage, peak = measured_run(
                    [cli, "-settingsdir", settings, "-outdir", out, "-start", "Soak"], log_path)
                report(f"{run_name} (exit {code})", wall, usage, peak, samples, log_path)
                sys.stdout.flush()
        finally:
            nginx.terminate()
            nginx.wait()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    global CONNECTIONS
    build = os.path.abspath(sys.argv[1])
    rest = sys.argv[2:]
    if rest[:1] == ["--connections"] and len(rest) >= 2:
        CONNECTIONS = int(rest[1])
        rest = rest[2:]
    for pages in [int(a) for a in rest] or [50000]:
        run(build, pages)


if __name__ == "__main__":
    main()
