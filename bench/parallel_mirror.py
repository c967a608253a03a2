#!/usr/bin/env python3
"""Mirror sites through a relay that adds a round-trip time, with tarrow-cli at several
connection counts and with wget2 at several thread counts.

    bench/parallel_mirror.py [options]
    bench/parallel_mirror.py --sites python-doc --proto http --rtt 20 \\
        --programs tarrow,wget2 --connections 1 --wget2-threads 1,5

Sites: `generated`, a deterministic site of --pages linked pages (breadth-first reachable, with
images and style sheets) below /site/, and `python-doc`, the HTML documentation that Debian's
python3-doc installs (installed with apt-get when missing). Each is served by nginx on 127.0.0.1
over HTTP, over HTTPS with HTTP/1.1 (`https`) and over HTTPS with HTTP/2 (`h2`), a self-signed
certificate made with openssl for the run, and every program reaches it through
bench/rtt_relay.py. tarrow-cli gets `Connections=N` in its settings
file (N > 1); wget2 (installed with apt-get when missing) runs recursively with --no-parent from
the same start URL. The table gives wall seconds, the connections the relay accepted, the
connections nginx served them on (`$connection` in its access log: with h2, N transfers share one
as streams), the requests in its access log, and whether Tarrow's copy and run log with N > 1 are byte for byte
those of N = 1 at the same site, protocol and RTT (the log with the run's own folder written alike).
With N > 1 tarrow-cli also reports on stderr what it fetched ahead and then dropped unused
("wasted"); that line is no part of the run log compared.
nginx keeps its defaults otherwise: it closes a kept-alive connection after 1,000 requests.
"""
import argparse, hashlib, json, os, random, shutil, subprocess, sys, tempfile

from benchlib import ROOT, finish_cli_args, free_port, measure, start_nginx
from offline_copies import apt_install
from rtt_relay import Relay

PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082")
PYTHON_DOC = ("python3-doc", "/usr/share/doc/python3-doc/html")
SITES = ("generated", "python-doc")
PROGRAMS = ("tarrow", "wget2")


def page_html(i, n, rng):
    """Page i of n: links to pages 2i+1 and 2i+2 (every page reachable breadth-first from page
    0) and to a few others, one of four style sheets, an image on every third page."""
    links = {j for j in (2 * i + 1, 2 * i + 2) if j < n} | {rng.randrange(n) for _ in range(4)}
    items = "".join(f'<li><a href="../s{j // 100}/p{j}.html">Page {j}</a></li>\n'
                    for j in sorted(links))
    image = f'<img src="../img/i{i}.png" alt="">' if i % 3 == 0 else ""
    text = "Lorem ipsum dolor sit amet. " * rng.randrange(10, 120)
    return (f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>Page {i}</title>'
            f'<link rel="stylesheet" href="../css/s{i % 4}.css"></head><body>'
            f'<h1>Page {i}</h1>{image}<ul>\n{items}</ul><p>{text}</p>'
            f'<p><a href="../index.html">Home</a></p></body></html>\n')


def generate(www, n):
    """The generated site below www/site/, pages in folders of 100; the same on every run."""
    rng = random.Random(15)
    site = os.path.join(www, "site")
    for sub in ["img", "css"] + [f"s{k}" for k in range((n + 99) // 100)]:
        os.makedirs(os.path.join(site, sub), exist_ok=True)
    for i in range(n):
        with open(os.path.join(site, f"s{i // 100}", f"p{i}.html"), "w") as f:
            f.write(page_html(i, n, rng))
        if i % 3 == 0:
            with open(os.path.join(site, "img", f"i{i}.png"), "wb") as f:
                f.write(PNG)
    for k in range(4):
        with open(os.path.join(site, "css", f"s{k}.css"), "w") as f:
            f.write(f"body{{font-family:sans-serif;margin:{k}em}}\n")
    with open(os.path.join(site, "index.html"), "w") as f:
        f.write('<!DOCTYPE html><html><head><title>Home</title></head><body>'
                '<a href="s0/p0.html">Start</a></body></html>\n')


def site_folder(name, work, pages):
    """The served folder of a site and the path its copies start from."""
    if name == "generated":
        www = os.path.join(work, "www")
        generate(www, pages)
        return www, "/site/"
    if not os.path.isdir(PYTHON_DOC[1]):
        apt_install([PYTHON_DOC[0]])
    return os.path.realpath(PYTHON_DOC[1]), "/"


def make_certificate(work):
    cert, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=127.0.0.1"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def write_settings(folder, url, connections):
    os.makedirs(folder, exist_ok=True)
    lines = ["TarrowProjectsN=1",
             "TarrowProjects[1].ProjectName=Copy",
             f"TarrowProjects[1].WebsiteURL={url}",
             "TarrowProjects[1].OutputFolder={OutDir}/{ProjectName}",
             "TarrowProjects[1].Overwrite=1",
             "TarrowProjects[1].RelativePathLinks=1"]
    if connections > 1:
        lines.append(f"TarrowProjects[1].Connections={connections}")
    lines.append("TarrowProjects[1].Checked=1")
    with open(os.path.join(folder, "tarrow.ini"), "w") as f:
        f.write("\n".join(lines) + "\n")


def command(program, n, url, run_dir, cli):
    """The command line of one run and the folder its copy lands in."""
    out = os.path.join(run_dir, "out")
    if program == "tarrow":
        write_settings(os.path.join(run_dir, "settings"), url, n)
        return [cli, "-settingsdir", os.path.join(run_dir, "settings"), "-outdir", out], out
    return ["wget2", "--recursive", "--level=inf", "--no-parent", "--page-requisites",
            "--convert-links", "--robots=off", "--no-check-certificate", f"--max-threads={n}",
            "--no-host-directories", "--no-verbose", "-P", out, url], out


def log_tail(path):
    """The access log's lines so far."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        return f.read().splitlines()


def tree_digest(folder):
    """Relative path -> SHA-256 of the bytes, for every file below folder."""
    digest = {}
    for here, dirs, files in os.walk(folder):
        for name in files:
            path = os.path.join(here, name)
            with open(path, "rb") as f:
                digest[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    return digest


STATS = "fetch-ahead: "


def log_lines(path, run_dir):
    """The run log with the run's own folder named alike, the only text that differs by design."""
    with open(path, encoding="utf-8", errors="replace") as f:
        return [line.replace(run_dir, "{RUN}") for line in f.read().splitlines()
                if not line.startswith(STATS)]


def wasted_requests(path):
    """The fetches started ahead and dropped unused, summed over the run's projects, or None."""
    with open(path, encoding="utf-8", errors="replace") as f:
        counts = [int(line.rsplit(" ", 1)[1]) for line in f.read().splitlines()
                  if line.startswith(STATS)]
    return sum(counts) if counts else None


def compare(reference, run):
    """'yes', or what differs between a run and the N = 1 run of the same group."""
    if reference is None:
        return "-"
    a, b = reference["tree"], run["tree"]
    files = sorted(k for k in a.keys() | b.keys() if a.get(k) != b.get(k))
    log_a, log_b = reference["log"], run["log"]
    log = sum(1 for x, y in zip(log_a, log_b) if x != y) + abs(len(log_a) - len(log_b))
    if not files and not log:
        return "yes"
    return f"no: {len(files)} files, {log} log lines" + (f" (e.g. {files[0]})" if files else "")


def run_one(group, program, n, args, reference):
    """One mirror through the group's relay; its row of the table."""
    run_dir = os.path.join(group["work"], f"{program}-{n}")
    os.makedirs(run_dir)
    cmd, out = command(program, n, group["url"], run_dir, args.cli)
    log = os.path.join(run_dir, "run.log")
    connections, seen = group["relay"].connections, log_tail(group["access_log"])
    wall, cpu, peak, code = measure(cmd, run_dir, log)
    row = {"program": program, "n": n, "site": group["site"], "proto": group["proto"],
           "rtt_ms": group["rtt"], "wall_s": round(wall, 2), "cpu_s": round(cpu, 2),
           "peak_mib": round(peak, 1), "exit": code,
           "connections": group["relay"].connections - connections,
           "requests": 0, "nginx_conns": 0,
           "files": sum(len(fs) for _, _, fs in os.walk(out)), "identical": "-", "wasted": None}
    served = log_tail(group["access_log"])[len(seen):]
    row["requests"] = len(served)
    row["nginx_conns"] = len({line.split(b" ", 1)[0] for line in served})
    result = None
    if program == "tarrow":
        row["wasted"] = wasted_requests(log)
        result = {"tree": tree_digest(out), "log": log_lines(log, run_dir)}
        if n != 1:
            row["identical"] = compare(reference, result)
    if not args.keep:
        shutil.rmtree(run_dir)
    print_row(row)
    return row, result


def run_group(group, args):
    """Every program and count at one site, protocol and RTT, N = 1 first as the reference."""
    rows, reference = [], None
    with Relay(group["target"], group["rtt"]) as relay:
        group["relay"] = relay
        scheme = "https" if group["proto"] == "h2" else group["proto"]
        group["url"] = f"{scheme}://127.0.0.1:{relay.port}{group['path']}"
        for program, counts in (("tarrow", args.connections), ("wget2", args.wget2_threads)):
            if program not in args.programs:
                continue
            for n in sorted(counts):
                row, result = run_one(group, program, n, args, reference)
                if program == "tarrow" and n == 1:
                    reference = result
                rows.append(row)
    return rows


def run_site(site, args):
    work = tempfile.mkdtemp(prefix=f"tarrow-parallel-{site}-", dir=args.keep)
    os.chmod(work, 0o755)  # nginx workers may run as another user
    rows = []
    try:
        folder, path = site_folder(site, work, args.pages)
        cert, key = make_certificate(work)
        ports = {"http": free_port(), "https": free_port(), "h2": free_port()}
        nginx = start_nginx(work, folder, ports["http"], all_types=True, access_log=True,
                            tls=(ports["https"], cert, key, ports["h2"]),
                            log_format="$connection $msec $status $request")
        try:
            for proto in args.proto:
                for rtt in args.rtt:
                    group_dir = os.path.join(work, f"{proto}-{rtt:g}ms")
                    os.makedirs(group_dir)
                    rows += run_group({"site": site, "proto": proto, "rtt": rtt, "path": path,
                                       "target": ports[proto], "work": group_dir,
                                       "access_log": os.path.join(work, "access.log")}, args)
        finally:
            nginx.terminate()
            nginx.wait()
    finally:
        if args.keep:
            print(f"{site}: copies kept in {work}", file=sys.stderr)
        else:
            shutil.rmtree(work, ignore_errors=True)
    return rows


HEADER = (f"{'program':8s} {'N':>2s} {'site':10s} {'proto':5s} {'RTT ms':>6s} {'wall s':>7s} "
          f"{'cpu s':>6s} {'conns':>5s} {'nginx':>5s} {'requests':>8s} {'wasted':>6s} {'files':>6s} {'exit':>4s}  "
          f"identical to N=1")


def print_row(row):
    print(f"{row['program']:8s} {row['n']:2d} {row['site'][:10]:10s} {row['proto']:5s} "
          f"{row['rtt_ms']:6g} {row['wall_s']:7.2f} {row['cpu_s']:6.2f} {row['connections']:5d} "
          f"{row['nginx_conns']:5d} {row['requests']:8d} {'-' if row['wasted'] is None else row['wasted']:>6} "
          f"{row['files']:6d} {row['exit']:4d}  {row['identical']}", flush=True)


def comma_list(cast, allowed=None):
    def parse(text):
        items = [cast(s.strip()) for s in text.split(",") if s.strip()]
        bad = [i for i in items if allowed and i not in allowed]
        if bad or not items:
            raise argparse.ArgumentTypeError(f"expected a comma list of {', '.join(allowed)}"
                                             if allowed else "expected a comma list")
        return items
    return parse


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--cli", default=os.path.join(ROOT, "build", "cli", "tarrow-cli"),
                   help="the tarrow-cli to run (default: build/cli/tarrow-cli)")
    p.add_argument("--sites", type=comma_list(str, SITES), default=list(SITES),
                   help="comma list of generated, python-doc (default: both)")
    p.add_argument("--proto", type=comma_list(str, ("http", "https", "h2")),
                   default=["http", "https", "h2"],
                   help="comma list of http, https (HTTP/1.1 over TLS), h2 (HTTP/2 over TLS)")
    p.add_argument("--rtt", type=comma_list(float), default=[20.0, 50.0],
                   help="round-trip times in ms (default 20,50; 0 relays without delay)")
    p.add_argument("--programs", type=comma_list(str, PROGRAMS), default=list(PROGRAMS))
    p.add_argument("--connections", type=comma_list(int), default=[1, 4, 8],
                   help="Tarrow's connection counts (default 1,4,8)")
    p.add_argument("--wget2-threads", type=comma_list(int), default=[1, 5],
                   help="wget2's --max-threads values (default 1,5)")
    p.add_argument("--pages", type=int, default=2000, help="pages of the generated site")
    p.add_argument("--keep", metavar="DIR", help="keep the sites and copies under DIR")
    p.add_argument("--json", metavar="FILE", help="write the rows as JSON")
    args = p.parse_args()
    return finish_cli_args(p, args, "tarrow" in args.programs)


def main():
    args = parse_args()
    if "wget2" in args.programs and not shutil.which("wget2"):
        apt_install(["wget2"])
    os.environ["TARROW_FETCH_AHEAD_STATS"] = "1"  # the wasted column
    print(HEADER)
    print("-" * len(HEADER))
    rows = []
    for site in args.sites:
        rows += run_site(site, args)
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"cli": args.cli, "rows": rows}, f, indent=1)


if __name__ == "__main__":
    main()
