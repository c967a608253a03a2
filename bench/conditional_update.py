#!/usr/bin/env python3
"""What a second run of an unchanged site costs: the Python documentation (python3-doc) served by
nginx on 127.0.0.1, copied twice into the same folder by tarrow-cli (a project with a journal and
conditional update, overwrite mode "changed") and by `wget -N -r -l inf -np -nv` (timestamping).

    bench/conditional_update.py [--cli build/cli/tarrow-cli] [--connections C]

nginx sends ETag and Last-Modified for its files and answers "304 Not Modified" to a matching
If-None-Match / If-Modified-Since. The Markdown table gives, per program and run, the requests,
the 304 replies, the body bytes nginx sent ($body_bytes_sent of its access log) and the wall time.
"""
import argparse, os, re, shutil, sys, tempfile

from benchlib import ROOT, finish_cli_args, free_port, measure, start_nginx
from offline_copies import apt_install

DOCS = "/usr/share/doc/python3-doc/html"
# Combined log format: client - user [time] "request" status bytes "referer" "agent".
LOG_LINE = re.compile(r'^\S+ \S+ \S+ \[[^]]*\] "[^"]*" (\d{3}) (\d+) ')


def log_since(log, offset):
    """Requests, 304 replies and body bytes of the access log's lines after offset."""
    requests = not_modified = sent = 0
    with open(log) as f:
        f.seek(offset)
        for line in f:
            m = LOG_LINE.match(line)
            if m:
                requests += 1
                not_modified += m.group(1) == "304"
                sent += int(m.group(2))
    return requests, not_modified, sent


def write_settings(tmp, port, connections):
    settings = os.path.join(tmp, "settings")
    os.makedirs(settings)
    with open(os.path.join(settings, "tarrow.ini"), "w") as f:
        f.write("TarrowProjectsN=1\n"
                "TarrowProjects[1].ProjectName=Docs\n"
                f"TarrowProjects[1].WebsiteURL=http://127.0.0.1:{port}/python3/\n"
                "TarrowProjects[1].OutputFolder={OutDir}/{ProjectName}\n"
                "TarrowProjects[1].Overwrite=2\n"
                "TarrowProjects[1].RelativePathLinks=1\n"
                "TarrowProjects[1].CompletePages=1\n"
                f"TarrowProjects[1].Connections={connections}\n"
                "TarrowProjects[1].Journal=1\n"
                "TarrowProjects[1].ConditionalGet=1\n"
                "TarrowProjects[1].Checked=1\n")
    return settings


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--cli", default=os.path.join(ROOT, "build", "cli", "tarrow-cli"))
    p.add_argument("--connections", type=int, default=4)
    p.add_argument("--keep", help="keep the copies in this folder")
    args = finish_cli_args(p, p.parse_args())
    if not os.path.isdir(DOCS):
        apt_install(["python3-doc"])
    tmp = tempfile.mkdtemp(prefix="tarrow-cond-")
    os.chmod(tmp, 0o755)  # nginx's workers read the site through it
    site = os.path.join(tmp, "site")
    os.makedirs(site)
    os.symlink(os.path.realpath(DOCS), os.path.join(site, "python3"))
    port = free_port()
    nginx = start_nginx(tmp, site, port, all_types=True, access_log=True)
    log = os.path.join(tmp, "access.log")
    rows = []
    try:
        settings = write_settings(tmp, port, args.connections)
        out = os.path.join(tmp, "tarrow")
        wget_out = os.path.join(tmp, "wget")
        os.makedirs(wget_out)
        runs = [("Tarrow", [args.cli, "-settingsdir", settings, "-outdir", out], tmp)] * 2 + \
               [("wget -N", ["/usr/bin/wget", "-N", "-r", "-l", "inf", "-np", "-nv",
                             f"http://127.0.0.1:{port}/python3/"], wget_out)] * 2
        for i, (name, cmd, cwd) in enumerate(runs):
            offset = os.path.getsize(log) if os.path.exists(log) else 0
            wall, _, _, code = measure(cmd, cwd, os.path.join(tmp, f"run-{i}.log"))
            requests, not_modified, sent = log_since(log, offset)
            rows.append((name, "first" if i % 2 == 0 else "second", requests, not_modified,
                         sent, wall, code))
        if args.keep:
            shutil.copytree(out, os.path.join(args.keep, "tarrow"), dirs_exist_ok=True)
    finally:
        nginx.terminate()
        nginx.wait()
        shutil.rmtree(tmp, ignore_errors=True)
    print("| program | run | requests | 304 | body bytes sent | wall (s) | exit |")
    print("|---|---|---:|---:|---:|---:|---:|")
    for name, run, requests, not_modified, sent, wall, code in rows:
        print(f"| {name} | {run} | {requests} | {not_modified} | {sent:,} | {wall:.2f} | {code} |")


if __name__ == "__main__":
    sys.exit(main())
