#!/usr/bin/env python3
"""Mirror Debian documentation with a robots.txt and two crawler traps added, with tarrow-cli
running a project made with Add's presets and with wget2 running with its defaults.

    bench/polite_mirror.py [options]
    bench/polite_mirror.py --cli build/cli/tarrow-cli --trap-cap 1000

The site, served by nginx on 127.0.0.1, holds the HTML documentation of python3-doc (Sphinx),
libjsoncpp-doc (Doxygen) and gettext-doc (texinfo) below /python3/, /jsoncpp/ and /gettext/
(installed with apt-get when missing), a home page linking to each of them, to a page that does
not exist and to the traps, and a robots.txt that disallows one folder (/python3/whatsnew/,
linked from the documentation's own pages). Two traps are answered by a small Python server
behind nginx:

- the calendar: /calendar/?month=N is a page whose "Next month" link goes to month N + 1,
  forever;
- the archive: every page below /archive/ links to "next/" relative to itself, so the path grows
  /archive/next/next/... forever.

Tarrow's settings file holds one project as Add makes it (the rows of TWebsiteProject::Keys()
that have a new-project text: Robots=1, TrapGuard=1, RetryTransientOnly=1, UserAgent, VerifyTLS,
Connections=4, ...) with the home page as its website URL. wget2 (installed with apt-get when
missing) runs `wget2 --recursive` with its defaults otherwise (robots.txt obeyed, depth 5).
A run is stopped (SIGTERM) once the traps have had --trap-cap requests, or after --time-cap s;
--without-traps leaves the links to the traps out, for the wall time of the documentation alone.

The Markdown table gives, from nginx's access log: all requests, those to the disallowed folder,
to each trap (and how far it went), and the repeated requests of a URL answered 404; the wall
time (trap pages included) and exit status; and what the program's log says it skipped.
Goals: no request to the disallowed folder, each trap stopped within 100 requests, no 404 asked
twice.
"""
import argparse, collections, http.server, json, os, re, shutil, signal, subprocess, sys
import tempfile, threading, time, urllib.parse

from benchlib import ROOT, finish_cli_args, free_port, start_nginx
from offline_copies import apt_install

# Package, its HTML folder, the folder it is served at.
DOCS = (("python3-doc", "/usr/share/doc/python3-doc/html", "python3"),
        ("libjsoncpp-doc", "/usr/share/doc/libjsoncpp-doc", "jsoncpp"),
        ("gettext-doc", "/usr/share/doc/gettext", "gettext"))
DISALLOWED = "/python3/whatsnew/"
TRAPS = ("/calendar/", "/archive/")
TRAP_GOAL = 100

# Combined log format: client - user [time] "request" status bytes "referer" "agent".
LOG_LINE = re.compile(r'^\S+ \S+ \S+ \[[^]]*\] "(\S+) (\S+)[^"]*" (\d{3}) ')


class TrapHandler(http.server.BaseHTTPRequestHandler):
    """The two traps; the server counts the requests each has had."""

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path.startswith("/calendar/"):
            query = urllib.parse.parse_qs(url.query)
            try:
                month = int(query.get("month", ["1"])[0])
            except ValueError:
                month = 1
            title = f"Events, month {month}"
            link = f'<a href="/calendar/?month={month + 1}">Next month</a>'
            trap = "/calendar/"
        else:
            title = "Older posts"
            link = '<a href="next/">Older posts</a>'
            trap = "/archive/"
        with self.server.lock:
            self.server.hits[trap] += 1
        body = (f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>{title}</title></head>'
                f'<body><h1>{title}</h1><p>{link}</p></body></html>\n').encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the program was stopped while the page was on its way

    def log_message(self, *args):
        pass


class TrapServer:
    def __init__(self):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), TrapHandler)
        self.server.daemon_threads = True
        self.server.lock = threading.Lock()
        self.server.hits = collections.Counter()
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)

    def hits(self):
        with self.server.lock:
            return sum(self.server.hits.values())

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()


def build_site(www, traps):
    """The served folder: the documentation sets linked in, a home page (linking to the traps
    when traps is true) and robots.txt."""
    missing = [package for package, folder, _ in DOCS if not os.path.isdir(folder)]
    if missing:
        apt_install(missing)
    os.makedirs(www)
    items = []
    for package, folder, name in DOCS:
        os.symlink(os.path.realpath(folder), os.path.join(www, name))
        items.append(f'<li><a href="/{name}/index.html">{package}</a></li>')
    items += [f'<li><a href="{DISALLOWED}index.html">What is new</a></li>',
              '<li><a href="/moved-away.html">A page that is gone</a></li>']
    if traps:
        items += ['<li><a href="/calendar/?month=1">Events</a></li>',
                  '<li><a href="/archive/">Archive</a></li>']
    with open(os.path.join(www, "index.html"), "w") as f:
        f.write('<!DOCTYPE html><html><head><meta charset="utf-8"><title>Documentation</title>'
                '</head><body><h1>Documentation</h1><ul>\n' + "\n".join(items) +
                "\n</ul></body></html>\n")
    with open(os.path.join(www, "robots.txt"), "w") as f:
        f.write(f"User-agent: *\nDisallow: {DISALLOWED}\n")


def tarrow_version():
    with open(os.path.join(ROOT, "base", "uVersion.h")) as f:
        return re.search(r'#define TARROW_VERSION_TEXT "([^"]*)"', f.read()).group(1)


def write_settings(folder, url):
    """One project as Add makes it: the new-project texts of TWebsiteProject::Keys()."""
    os.makedirs(folder)
    rows = {"ProjectName": "Docs",
            "WebsiteURL": url,
            "OutputFolder": "{OutDir}\\{ProjectName}",
            "Overwrite": "2",
            "CompletePages": "1",
            "IndexFile": "index.html",
            "Connections": "4",
            "Robots": "1",
            "TrapGuard": "1",
            "DropQueryParams": "utm_*;fbclid;gclid;mc_cid;mc_eid",
            "UserAgent": f"Tarrow/{tarrow_version()}",
            "RetryTransientOnly": "1",
            "VerifyTLS": "1",
            "Checked": "1"}
    with open(os.path.join(folder, "tarrow.ini"), "w") as f:
        f.write("TarrowProjectsN=1\n" +
                "".join(f"TarrowProjects[1].{k}={v}\n" for k, v in rows.items()))


def command(program, url, run_dir, cli):
    out = os.path.join(run_dir, "out")
    if program == "tarrow":
        settings = os.path.join(run_dir, "settings")
        write_settings(settings, url)
        return [cli, "-settingsdir", settings, "-outdir", out]
    return ["wget2", "--recursive", f"--directory-prefix={out}", url]


def run_capped(cmd, cwd, log, trap_hits, args):
    """Runs cmd until it ends, trap_hits() reaches --trap-cap or --time-cap seconds passed; wall
    seconds, exit status and why it was stopped (or None)."""
    start = time.perf_counter()
    with open(log, "wb") as out:
        proc = subprocess.Popen(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT)
        stopped = None
        while proc.poll() is None:
            if stopped is None and trap_hits() >= args.trap_cap:
                stopped = f"stopped at {args.trap_cap} trap requests"
            elif stopped is None and time.perf_counter() - start > args.time_cap:
                stopped = f"stopped after {args.time_cap:g} s"
            if stopped is not None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(30)
                except subprocess.TimeoutExpired:
                    proc.kill()
                break
            time.sleep(0.05)
        proc.wait()
    return time.perf_counter() - start, proc.returncode, stopped


def read_requests(path, start):
    """(method, path, status) of every access-log line from byte offset start on."""
    requests = []
    with open(path, encoding="utf-8", errors="replace") as f:
        f.seek(start)
        for line in f:
            m = LOG_LINE.match(line)
            if m:
                requests.append((m.group(1), urllib.parse.unquote(m.group(2)), int(m.group(3))))
    return requests


def trap_reach(paths, trap):
    """How far a trap went: the highest month, or the most "next" segments."""
    if trap == "/calendar/":
        months = [int(m) for p in paths for m in re.findall(r"[?&]month=(\d+)", p)]
        return f"month {max(months)}" if months else "-"
    depth = [p.count("next/") for p in paths]
    return f"{max(depth)} x next/" if depth else "-"


def skipped(program, log):
    """What the program's log says it left out, and its retry lines."""
    with open(log, encoding="utf-8", errors="replace") as f:
        text = f.read()
    if program == "tarrow":
        summary = re.findall(r"skipped: (\d+)\.", text)
        parts = [f"robots.txt: {text.count('Disallowed by robots.txt: ')}",
                 f"trap guard: {text.count('Skipped as a likely trap')}"]
        if summary:
            parts.append(f"summary skipped: {summary[-1]}")
        return ", ".join(parts), text.count("Retry #")
    # wget2 names a refused URL once per link, fragments apart; its depth limit goes unnamed
    refused = {m.split("#")[0] for m in
               re.findall(r"URL '([^']*)' not followed \(disallowed by robots\.txt\)", text)}
    return f"robots.txt: {len(refused)} (depth limit 5 not logged)", None


def analyse(program, requests, wall, code, stopped, log, run_dir, with_traps):
    by_trap = {t: [p for _, p, _ in requests if p.startswith(t)] for t in TRAPS}
    not_found = collections.Counter(p for _, p, s in requests if s == 404)
    retries_404 = sum(n - 1 for n in not_found.values())
    statuses = collections.Counter(s for _, _, s in requests)
    skipped_text, retry_lines = skipped(program, log)
    robots = [i for i, (_, p, _) in enumerate(requests) if p == "/robots.txt"]
    row = {"program": program,
           "requests": len(requests),
           "robots": f"{len(robots)}" + (", first" if robots and robots[0] == 0 else ""),
           "disallowed": sum(1 for _, p, _ in requests if p.startswith(DISALLOWED)),
           "calendar": len(by_trap["/calendar/"]),
           "calendar_reach": trap_reach(by_trap["/calendar/"], "/calendar/"),
           "archive": len(by_trap["/archive/"]),
           "archive_reach": trap_reach(by_trap["/archive/"], "/archive/"),
           "urls_404": len(not_found), "retries_404": retries_404,
           "wall_s": round(wall, 2), "exit": code, "stopped": stopped or "",
           "skipped": skipped_text, "retry_lines": retry_lines,
           "statuses": {str(k): v for k, v in sorted(statuses.items())},
           "files": sum(len(fs) for _, _, fs in os.walk(os.path.join(run_dir, "out")))}
    row["goals"] = {"no disallowed request": row["disallowed"] == 0}
    if with_traps:
        row["goals"]["calendar stopped within 100"] = row["calendar"] <= TRAP_GOAL
        row["goals"]["archive stopped within 100"] = row["archive"] <= TRAP_GOAL
    row["goals"]["no 404 retried"] = retries_404 == 0
    return row


def print_table(rows):
    print("| program | requests | robots.txt asked | to disallowed folder | calendar trap "
          "| archive trap | URLs answered 404 | repeated 404 requests | retry lines | wall s "
          "| exit | files | skipped (log) |")
    print("|---|---:|---|---:|---|---|---:|---:|---:|---:|---|---:|---|")
    for r in rows:
        code = f"{r['exit']}" + (f" ({r['stopped']})" if r["stopped"] else "")
        print(f"| {r['program']} | {r['requests']} | {r['robots']} | {r['disallowed']} "
              f"| {r['calendar']} requests, {r['calendar_reach']} "
              f"| {r['archive']} requests, {r['archive_reach']} | {r['urls_404']} "
              f"| {r['retries_404']} | {'-' if r['retry_lines'] is None else r['retry_lines']} "
              f"| {r['wall_s']:.2f} | {code} | {r['files']} "
              f"| {r['skipped']} |")
    print()
    for r in rows:
        met = ", ".join(f"{goal}: {'yes' if ok else 'NO'}" for goal, ok in r["goals"].items())
        print(f"- {r['program']}: {met}")


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--cli", default=os.path.join(ROOT, "build", "cli", "tarrow-cli"),
                   help="the tarrow-cli to run (default: build/cli/tarrow-cli)")
    p.add_argument("--programs", default="tarrow,wget2",
                   help="comma list of tarrow, wget2 (default: both)")
    p.add_argument("--trap-cap", type=int, default=1000,
                   help="stop a run after this many trap requests (default 1000)")
    p.add_argument("--time-cap", type=float, default=900,
                   help="stop a run after this many seconds (default 900)")
    p.add_argument("--without-traps", action="store_true",
                   help="leave the traps out of the home page (the documentation alone)")
    p.add_argument("--keep", metavar="DIR", help="keep the site, logs and copies under DIR")
    p.add_argument("--json", metavar="FILE", help="write the rows as JSON")
    args = p.parse_args()
    args.programs = [s.strip() for s in args.programs.split(",") if s.strip()]
    if not args.programs or any(s not in ("tarrow", "wget2") for s in args.programs):
        p.error("--programs takes a comma list of tarrow, wget2")
    if args.trap_cap <= TRAP_GOAL:
        p.error(f"--trap-cap must be over {TRAP_GOAL}, the goal it is measured against")
    return finish_cli_args(p, args, "tarrow" in args.programs)


def main():
    args = parse_args()
    if "wget2" in args.programs and not shutil.which("wget2"):
        apt_install(["wget2"])
    work = tempfile.mkdtemp(prefix="tarrow-polite-", dir=args.keep)
    os.chmod(work, 0o755)  # nginx workers may run as another user
    rows = []
    try:
        www = os.path.join(work, "www")
        build_site(www, not args.without_traps)
        port = free_port()
        with TrapServer() as traps:
            locations = "".join(f"        location {t} {{ proxy_pass http://127.0.0.1:"
                                f"{traps.port}; }}\n" for t in TRAPS)
            nginx = start_nginx(work, www, port, all_types=True, access_log=True,
                                locations=locations)
            access_log = os.path.join(work, "access.log")
            try:
                for program in args.programs:
                    run_dir = os.path.join(work, program)
                    os.makedirs(run_dir)
                    log = os.path.join(run_dir, "run.log")
                    offset = os.path.getsize(access_log) if os.path.exists(access_log) else 0
                    before = traps.hits()
                    cmd = command(program, f"http://127.0.0.1:{port}/", run_dir, args.cli)
                    wall, code, stopped = run_capped(cmd, run_dir, log,
                                                     lambda: traps.hits() - before, args)
                    time.sleep(0.2)  # nginx writes the last lines of its log
                    rows.append(analyse(program, read_requests(access_log, offset), wall,
                                        code, stopped, log, run_dir, not args.without_traps))
            finally:
                nginx.terminate()
                nginx.wait()
    finally:
        if args.keep:
            print(f"site, logs and copies kept in {work}", file=sys.stderr)
        else:
            shutil.rmtree(work, ignore_errors=True)
    print_table(rows)
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"cli": args.cli, "rows": rows}, f, indent=1)


if __name__ == "__main__":
    main()
