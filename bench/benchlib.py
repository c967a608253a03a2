"""What the benchmark scripts share: a free port, nginx serving a folder, a process's memory."""
import os, re, socket, subprocess, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MIME_TYPES = "/etc/nginx/mime.types"


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def start_nginx(tmp, root, port, all_types=False, access_log=False, tls=None, locations="",
                log_format=None):
    """nginx in the foreground, serving root on 127.0.0.1:port, with its files in tmp and no
    access log unless asked for (the benchmarks measure the client, not the server's disk; a
    request count reads tmp/access.log). all_types serves the system's full list of content types
    (scripts, fonts, SVG) instead of the demo's three. tls = (port, certificate, key, h2_port)
    serves the same site over HTTPS on that port too (HTTP/1.1 only), and with HTTP/2 on h2_port
    unless it is None. locations is more of the server block (location blocks, for instance).
    log_format replaces the access log's line (nginx variables, "$connection $request")."""
    with open(os.path.join(ROOT, "examples", "nginx.conf.in")) as f:
        conf = f.read().replace("@TMP@", tmp).replace("@PORT@", str(port)).replace("@ROOT@", root)
    if not access_log:
        conf = conf.replace(f"access_log {tmp}/access.log;", "access_log off;")
    elif log_format:
        conf = conf.replace(f"access_log {tmp}/access.log;",
                            f"log_format bench '{log_format}';\n"
                            f"    access_log {tmp}/access.log bench;")
    if tls:
        tls_port, cert, key, h2_port = tls
        listen = f"listen 127.0.0.1:{port};"
        # this nginx takes HTTP/2 as a flag of the listening socket
        h2 = f"\n        listen 127.0.0.1:{h2_port} ssl http2;" if h2_port else ""
        conf = conf.replace(listen, f"{listen}\n        listen 127.0.0.1:{tls_port} ssl;{h2}"
                            f"\n        ssl_certificate {cert};\n"
                            f"        ssl_certificate_key {key};\n"
                            # this nginx's default leaves out TLS 1.3 and its one-round-trip
                            # handshake, which today's servers offer
                            "        ssl_protocols TLSv1.2 TLSv1.3;", 1)
    if locations:
        conf = conf.replace(f"        root {root};", f"        root {root};\n{locations}", 1)
    if all_types and os.path.exists(MIME_TYPES):
        conf = re.sub(r"types \{[^}]*\}", f"include {MIME_TYPES};", conf, count=1)
    path = os.path.join(tmp, "nginx.conf")
    with open(path, "w") as f:
        f.write(conf)
    proc = subprocess.Popen(["/usr/sbin/nginx", "-c", path, "-p", tmp])
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), 1).close()
            for tls_port in (tls[0], tls[3]) if tls else ():
                if tls_port:
                    socket.create_connection(("127.0.0.1", tls_port), 1).close()
            return proc
        except OSError:
            time.sleep(0.05)
    proc.terminate()
    raise RuntimeError("nginx did not start")


def memory_kib(pid):
    """The resident memory of a process and its peak so far (the kernel's high-water mark of the
    running program), in KiB; None for what cannot be read."""
    values = {}
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith(("VmRSS:", "VmHWM:")):
                    values[line[:5]] = int(line.split()[1])
    except OSError:
        pass
    return values.get("VmRSS"), values.get("VmHWM")


def measure(cmd, cwd, log=None):
    """Wall seconds, CPU seconds, peak RSS (MiB) and exit code of one child process; its output
    goes to the file log, or nowhere.

    The peak is the kernel's high-water mark of the running program, sampled: the child's own
    ru_maxrss would include the Python process it was forked from."""
    out = open(log, "wb") if log else subprocess.DEVNULL
    try:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT if log else out)
        peak = 0
        while True:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid == proc.pid:
                break
            peak = max(peak, memory_kib(proc.pid)[1] or 0)
            time.sleep(0.01)
        wall = time.perf_counter() - start
    finally:
        if log:
            out.close()
    cpu = usage.ru_utime + usage.ru_stime
    return wall, cpu, peak / 1024.0, os.waitstatus_to_exitcode(status)


def finish_cli_args(p, args, needs_cli=True):
    """Checks --cli (when tarrow runs) and makes --cli and --keep absolute, --keep created."""
    if needs_cli and not os.access(args.cli, os.X_OK):
        p.error(f"no tarrow-cli at {args.cli} (use --cli)")
    args.cli = os.path.abspath(args.cli)
    if args.keep:
        os.makedirs(args.keep, exist_ok=True)
        args.keep = os.path.abspath(args.keep)
    return args


def write_bench_settings(tmp, port):
    """A settings folder with one checked project, Bench, of http://127.0.0.1:PORT/site/."""
    settings = os.path.join(tmp, "settings")
    os.makedirs(settings)
    with open(os.path.join(settings, "tarrow.ini"), "w") as f:
        f.write("TarrowProjectsN=1\n"
                "TarrowProjects[1].ProjectName=Bench\n"
                f"TarrowProjects[1].WebsiteURL=http://127.0.0.1:{port}/site/\n"
                "TarrowProjects[1].OutputFolder={OutDir}/{ProjectName}\n"
                "TarrowProjects[1].Overwrite=1\n"
                "TarrowProjects[1].RelativePathLinks=1\n"
                "TarrowProjects[1].Checked=1\n")
    return settings
