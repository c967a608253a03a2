#!/usr/bin/env python3
"""Whether offline copies render: mirror sites with tarrow-cli and with wget, then open every
saved page from disk in headless Chromium with the network off and count what fails.

    bench/offline_copies.py [options] SITE ...
    bench/offline_copies.py --demo --debian-docs --max-pages 150 --details

SITE is a folder served by nginx on 127.0.0.1 at /; FOLDER@/PATH/ starts the copies at /PATH/
below it. --demo adds examples/demo-site@/site/; --debian-docs installs documentation packages
made by three generators and adds their HTML folders.

Each program's copy is rendered from file:// URLs; any request that is not file: is blocked and
counted as leaving the machine, and failed sub-resources are counted by type. Needs root for the
apt-get installs of wget and chromium when they are missing; playwright-core is installed with npm
into the cache folder (no browser is downloaded: Debian's /usr/bin/chromium is used).
"""
import argparse, collections, glob, json, os, shutil, subprocess, sys, tempfile, time

from benchlib import ROOT, finish_cli_args, free_port, measure, start_nginx

CHROMIUM = "/usr/bin/chromium"
RENDER_JS = os.path.join(ROOT, "bench", "offline_render.mjs")
DEFAULT_CACHE = os.path.join(ROOT, "bench", ".cache")
TYPES = ("stylesheet", "image", "font", "script", "media", "document", "other")
DEMO = os.path.join(ROOT, "examples", "demo-site") + "@/site/"
# Package, glob of its HTML folder, generator.
DEBIAN_DOCS = (("python3-doc", "/usr/share/doc/python3-doc/html", "Sphinx"),
               ("libjsoncpp-doc", "/usr/share/doc/libjsoncpp-doc", "Doxygen"),
               ("gettext-doc", "/usr/share/doc/gettext", "texinfo"))


def apt_install(packages):
    print(f"Installing {' '.join(packages)} with apt-get", file=sys.stderr)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "update", "-qq"], check=True, env=env)
    subprocess.run(["apt-get", "install", "-y", "-qq", *packages], check=True, env=env,
                   stdout=subprocess.DEVNULL)


def ensure_tools(programs, cache):
    """wget and chromium from Debian, playwright-core from npm into cache; its package folder."""
    missing = [p for p, path in (("wget", shutil.which("wget")), ("chromium", CHROMIUM))
               if (p != "wget" or "wget" in programs) and not (path and os.path.exists(path))]
    if missing:
        apt_install(missing)
    playwright = os.path.join(cache, "node", "node_modules", "playwright-core")
    if not os.path.isdir(playwright):
        os.makedirs(os.path.join(cache, "node"), exist_ok=True)
        subprocess.run(["npm", "install", "--no-audit", "--no-fund", "--prefix",
                        os.path.join(cache, "node"), "playwright-core"], check=True,
                       stdout=subprocess.DEVNULL)
    return playwright


def debian_doc_sites():
    missing = [p for p, folder, _ in DEBIAN_DOCS if not glob.glob(folder)]
    if missing:
        apt_install(missing)
    return [os.path.realpath(sorted(glob.glob(folder))[0]) for _, folder, _ in DEBIAN_DOCS]


def site_label(folder, path):
    parts = [p for p in os.path.realpath(folder).split(os.sep) if p and p != "html"]
    return "/".join(parts[-1:] + ([path.strip("/")] if path.strip("/") else []))


CONNECTIONS = 1


def write_settings(folder, url, complete_pages):
    os.makedirs(folder, exist_ok=True)
    lines = ["TarrowProjectsN=1",
             "TarrowProjects[1].ProjectName=Copy",
             f"TarrowProjects[1].WebsiteURL={url}",
             "TarrowProjects[1].OutputFolder={OutDir}/{ProjectName}",
             "TarrowProjects[1].Overwrite=1",
             "TarrowProjects[1].RelativePathLinks=1"]
    if complete_pages:
        lines.append("TarrowProjects[1].CompletePages=1")
    if CONNECTIONS > 1:
        lines.append(f"TarrowProjects[1].Connections={CONNECTIONS}")
    lines.append("TarrowProjects[1].Checked=1")
    with open(os.path.join(folder, "tarrow.ini"), "w") as f:
        f.write("\n".join(lines) + "\n")


def mirror(program, cli, url, work):
    """Runs one program's mirror of url under work; its measurements and the copy's folder."""
    out = os.path.join(work, program)
    log = os.path.join(work, program + ".log")
    if program.startswith("tarrow"):
        settings = os.path.join(work, program + "-settings")
        write_settings(settings, url, program == "tarrow+cp")
        cmd, copy = [cli, "-settingsdir", settings, "-outdir", out], os.path.join(out, "Copy")
    else:
        cmd, copy = ["wget", "-r", "-k", "-p", "-np", "-nH", "-P", out, url], out
    os.makedirs(out, exist_ok=True)
    wall, cpu, peak, code = measure(cmd, work, log)
    files = sum(len(fs) for _, _, fs in os.walk(out))
    return {"wall_s": round(wall, 2), "cpu_s": round(cpu, 2), "peak_mib": round(peak, 1),
            "exit": code, "files": files, "log": log}, copy


def looks_like_html(path):
    """A page, not a script, font or SVG image saved under an .html name."""
    with open(path, "rb") as f:
        head = f.read(4096).lower()
    return b"\0" not in head and any(
        tag in head for tag in (b"<!doctype html", b"<html", b"<head", b"<body", b"<title"))


def saved_pages(copy):
    """The .html/.htm files of a copy, sorted, split into pages and files that are no HTML."""
    pages, other = [], []
    for folder, dirs, files in os.walk(copy):
        dirs.sort()
        for name in sorted(files):
            if name.lower().endswith((".html", ".htm")):
                path = os.path.join(folder, name)
                (pages if looks_like_html(path) else other).append(path)
    return pages, other


def sample(pages, n):
    """n pages spread evenly over the sorted list, the same on every run."""
    if not n or len(pages) <= n:
        return pages
    return [pages[i * len(pages) // n] for i in range(n)]


def keep_nice():
    """Chromium run as root raises its own threads' priority; without the capability to do so
    it stays at the niceness it was started with."""
    if os.geteuid() == 0 and shutil.which("setpriv"):
        return ["setpriv", "--bounding-set", "-sys_nice", "--"]
    return []


def render(pages, playwright, work, concurrency, timeout_s):
    if not pages:
        return [], 0.0
    request = {"playwright": playwright, "chromium": CHROMIUM,
               "userDataDir": tempfile.mkdtemp(prefix="profile-", dir=work),
               "concurrency": min(max(concurrency, 1), 2), "timeoutMs": int(timeout_s * 1000),
               "pages": pages}
    start = time.perf_counter()
    done = subprocess.run(keep_nice() + ["node", RENDER_JS], input=json.dumps(request), text=True,
                          capture_output=True)
    if done.returncode != 0:
        raise RuntimeError(f"offline_render.mjs failed: {done.stderr.strip()}")
    results = [json.loads(line) for line in done.stdout.splitlines() if line.strip()]
    return results, time.perf_counter() - start


def summarise(results, copy):
    """Failure counts by type, the pages that did not load, the requests that left, and for
    each type the failing URLs (relative to the copy) with the number of pages that hit them."""
    counts = collections.Counter()
    top = {t: collections.Counter() for t in TYPES}
    left = collections.Counter()
    prefix = "file://" + copy.rstrip("/") + "/"
    for page in results:
        for failure in page["failures"]:
            counts[failure["type"]] += 1
            url = failure["url"]
            url = url[len(prefix):] if url.startswith(prefix) else url
            top[failure["type"]][f"{url}  ({failure['why']})"] += 1
        left.update(page["left"])
    return {"failures": {t: counts[t] for t in TYPES},
            "page_errors": [{"page": os.path.relpath(p["page"], copy), "error": p["error"]}
                            for p in results if p["error"]],
            "left_machine": sum(left.values()),
            "top": {t: top[t].most_common() for t in TYPES if top[t]},
            "top_left": left.most_common()}


def run_site(spec, args, playwright):
    folder, _, path = spec.partition("@")
    folder, path = os.path.realpath(folder), "/" + path.strip("/") + "/" if path else "/"
    if not os.path.isdir(folder):
        raise SystemExit(f"Not a folder: {folder}")
    label = site_label(folder, path)
    work = tempfile.mkdtemp(prefix="tarrow-offline-", dir=args.keep)
    os.chmod(work, 0o755)  # nginx workers may run as another user
    rows = []
    try:
        port = free_port()
        url = f"http://127.0.0.1:{port}{path}"
        nginx = start_nginx(work, folder, port, all_types=True)
        try:
            copies = [(p,) + mirror(p, args.cli, url, work) for p in args.programs if p != "source"]
        finally:
            nginx.terminate()
            nginx.wait()
        if "source" in args.programs:
            copies.append(("source", None, os.path.join(folder, path.strip("/"))))
        for program, stats, copy in copies:
            pages, not_html = saved_pages(copy)
            chosen = sample(pages, args.max_pages)
            print(f"{label}: rendering {len(chosen)} of {len(pages)} pages of {program}",
                  file=sys.stderr)
            results, render_s = render(chosen, playwright, work, args.concurrency, args.timeout)
            row = {"site": label, "folder": folder, "url": url, "program": program,
                   "mirror": stats, "pages": len(pages), "rendered": len(chosen),
                   "render_s": round(render_s, 1),
                   "not_html": [os.path.relpath(p, copy) for p in not_html]}
            row.update(summarise(results, copy))
            if args.json:
                row["per_page"] = results
            rows.append(row)
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
        else:
            print(f"{label}: copies kept in {work}", file=sys.stderr)
    return rows


def print_table(rows):
    short = {"stylesheet": "css", "image": "img", "font": "font", "script": "js",
             "media": "media", "document": "doc", "other": "other"}
    head = (f"{'site':28s} {'program':10s} {'pages':>9s} {'nohtml':>6s} {'broken':>6s} "
            + " ".join(f"{short[t]:>6s}" for t in TYPES) + f" {'left':>5s} {'wall s':>7s} "
            f"{'peak MiB':>8s} {'exit':>4s}")
    print(head)
    print("-" * len(head))
    for r in rows:
        m = r["mirror"] or {}
        print(f"{r['site'][:28]:28s} {r['program']:10s} {r['rendered']:>4d}/{r['pages']:<4d} "
              f"{len(r['not_html']):6d} {len(r['page_errors']):6d} "
              + " ".join(f"{r['failures'][t]:6d}" for t in TYPES)
              + f" {r['left_machine']:5d} {m.get('wall_s', float('nan')):7.2f} "
              f"{m.get('peak_mib', float('nan')):8.1f} {str(m.get('exit', '-')):>4s}")


def print_details(rows, limit):
    for r in rows:
        print(f"\n== {r['site']} / {r['program']}  ({r['url']})")
        for t, urls in r["top"].items():
            print(f"  {t}: {len(urls)} distinct, {r['failures'][t]} in all")
            for url, pages in urls[:limit]:
                print(f"    {pages:5d} pages  {url}")
        if r["top_left"]:
            print(f"  left the machine: {len(r['top_left'])} distinct")
            for url, n in r["top_left"][:limit]:
                print(f"    {n:5d}  {url}")
        for e in r["page_errors"][:limit]:
            print(f"  page did not load: {e['page']}: {e['error']}")
        if r["not_html"]:
            print(f"  saved as .html but not HTML: {len(r['not_html'])}, e.g. "
                  + ", ".join(r["not_html"][:limit]))


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("sites", nargs="*", metavar="SITE", help="FOLDER or FOLDER@/PATH/")
    p.add_argument("--cli", default=os.path.join(ROOT, "build", "cli", "tarrow-cli"),
                   help="the tarrow-cli to run (default: build/cli/tarrow-cli)")
    p.add_argument("--demo", action="store_true", help="add the demo site")
    p.add_argument("--debian-docs", action="store_true",
                   help="install and add " + ", ".join(f"{d[0]} ({d[2]})" for d in DEBIAN_DOCS))
    p.add_argument("--complete-pages", nargs="?", const="on", choices=("on", "both"),
                   help="write CompletePages=1 for the tarrow run; 'both' runs with and without")
    p.add_argument("--connections", type=int, default=1,
                   help="Tarrow's transfers at once (its Connections key)")
    p.add_argument("--programs", default="tarrow,wget",
                   help="comma list of tarrow, wget, source (the served folder itself)")
    p.add_argument("--max-pages", type=int, default=0, help="render at most N pages per copy")
    p.add_argument("--concurrency", type=int, default=2, help="pages at once (1 or 2)")
    p.add_argument("--timeout", type=float, default=15.0, help="seconds per page load")
    p.add_argument("--json", metavar="FILE", help="write the results as JSON")
    p.add_argument("--details", nargs="?", type=int, const=10, default=0, metavar="N",
                   help="list the N most frequent failing URLs per type (default 10)")
    p.add_argument("--keep", metavar="DIR", help="keep the copies under DIR")
    p.add_argument("--cache", default=DEFAULT_CACHE, help="folder for playwright-core")
    args = p.parse_args()
    programs = [s.strip() for s in args.programs.split(",") if s.strip()]
    if set(programs) - {"tarrow", "wget", "source"}:
        p.error("--programs takes tarrow, wget and source")
    if "tarrow" in programs:
        variants = {None: ["tarrow"], "on": ["tarrow+cp"], "both": ["tarrow", "tarrow+cp"]}
        i = programs.index("tarrow")
        programs[i:i + 1] = variants[args.complete_pages]
    args.programs = programs
    return finish_cli_args(p, args, any(x.startswith("tarrow") for x in programs))


def main():
    global CONNECTIONS
    args = parse_args()
    CONNECTIONS = args.connections
    sites = list(args.sites) + ([DEMO] if args.demo else [])
    if args.debian_docs:
        sites += debian_doc_sites()
    if not sites:
        sys.exit("No site given: name folders, or use --demo or --debian-docs.")
    playwright = ensure_tools(args.programs, os.path.abspath(args.cache))
    rows = []
    for spec in sites:
        rows += run_site(spec, args, playwright)
    print_table(rows)
    if args.details:
        print_details(rows, args.details)
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"cli": args.cli, "max_pages": args.max_pages, "results": rows}, f,
                      indent=1)


if __name__ == "__main__":
    main()
