"""What the benchmark scripts share: a free port, nginx serving a folder, a process's memory."""
import os, socket, subprocess, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def start_nginx(tmp, root, port):
    """nginx in the foreground, serving root on 127.0.0.1:port, with its files in tmp and no
    access log (the benchmarks measure the client, not the server's disk)."""
    with open(os.path.join(ROOT, "examples", "nginx.conf.in")) as f:
        conf = f.read().replace("@TMP@", tmp).replace("@PORT@", str(port)).replace("@ROOT@", root)
    conf = conf.replace(f"access_log {tmp}/access.log;", "access_log off;")
    path = os.path.join(tmp, "nginx.conf")
    with open(path, "w") as f:
        f.write(conf)
    proc = subprocess.Popen(["/usr/sbin/nginx", "-c", path, "-p", tmp])
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), 1).close()
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
