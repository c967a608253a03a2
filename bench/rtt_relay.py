#!/usr/bin/env python3
"""A TCP relay on 127.0.0.1 that makes a local server look a round-trip time away.

Every chunk, in each direction, is passed on half the round-trip time after it arrived; a new
connection's first bytes wait one round trip more (the TCP handshake the loopback connect skipped).
Each direction has its own queue of chunks with their release times, so a slow chunk holds up only
what follows it on the same connection and direction. Bandwidth is not limited.

    bench/rtt_relay.py --listen PORT --target PORT --rtt-ms 20
    bench/rtt_relay.py --self-check [--rtt-ms 50]

As a module: `Relay(target, rtt_ms)` in a background thread (`start()`, `port`, `connections`,
`stop()`), or `serve(listen, target, rtt_ms)` inside an asyncio program.
"""
import argparse, asyncio, http.client, http.server, socket, statistics, sys, threading, time

HOST = "127.0.0.1"
CHUNK = 65536


class _Link:
    """One accepted connection and its connection to the target."""

    def __init__(self, rtt):
        self.rtt = rtt
        self.first = True  # the connection's first bytes still pay for the handshake

    def release_time(self, now):
        delay = self.rtt / 2
        if self.first:
            self.first = False
            delay += self.rtt
        return now + delay

    async def pump(self, reader, writer):
        """Reads chunks and queues them with their release times; a sender writes them in order."""
        queue = asyncio.Queue()
        sender = asyncio.ensure_future(self._send(queue, writer))
        loop = asyncio.get_running_loop()
        try:
            while True:
                data = await reader.read(CHUNK)
                queue.put_nowait((self.release_time(loop.time()), data))
                if not data:
                    break
        except (ConnectionError, OSError):
            queue.put_nowait((loop.time(), b""))
        await sender

    @staticmethod
    async def _send(queue, writer):
        loop = asyncio.get_running_loop()
        try:
            while True:
                due, data = await queue.get()
                wait = due - loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                if not data:
                    if writer.can_write_eof():
                        writer.write_eof()
                    return
                writer.write(data)
                await writer.drain()
        except (ConnectionError, OSError):
            pass


class Stats:
    def __init__(self):
        self.connections = 0


def _no_delay(writer):
    """Chunks are released on their own schedule: Nagle's algorithm would hold a small one back
    until the previous one is acknowledged, and a delayed acknowledgement costs up to 40 ms."""
    sock = writer.get_extra_info("socket")
    if sock is not None:
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)


async def _handle(client_reader, client_writer, target, rtt, stats):
    stats.connections += 1
    try:
        server_reader, server_writer = await asyncio.open_connection(HOST, target)
    except OSError:
        client_writer.close()
        return
    for w in (server_writer, client_writer):
        _no_delay(w)
    link = _Link(rtt)
    try:
        await asyncio.gather(link.pump(client_reader, server_writer),
                             link.pump(server_reader, client_writer))
    except asyncio.CancelledError:
        pass  # the relay is stopping; a cancelled connection task would be reported as an error
    finally:
        for w in (server_writer, client_writer):
            w.close()


async def serve(listen, target, rtt_ms, stats=None):
    """An asyncio server relaying HOST:listen to HOST:target (listen 0 picks a free port)."""
    stats = stats if stats is not None else Stats()
    return await asyncio.start_server(
        lambda r, w: _handle(r, w, target, rtt_ms / 1000.0, stats), HOST, listen,
        reuse_address=True)


class Relay:
    """The relay on its own event-loop thread, for a benchmark driven by blocking code."""

    def __init__(self, target, rtt_ms, listen=0):
        self.target, self.rtt_ms, self.listen = target, rtt_ms, listen
        self.stats = Stats()
        self.port = None
        self._loop = asyncio.new_event_loop()
        self._thread = threading.Thread(target=self._loop.run_forever, daemon=True)
        self._server = None

    @property
    def connections(self):
        return self.stats.connections

    def start(self):
        self._thread.start()
        future = asyncio.run_coroutine_threadsafe(
            serve(self.listen, self.target, self.rtt_ms, self.stats), self._loop)
        self._server = future.result(10)
        self.port = self._server.sockets[0].getsockname()[1]
        return self

    def stop(self):
        async def close():
            self._server.close()
            # A connection accepted just before the close starts its tasks while others end.
            while tasks := [t for t in asyncio.all_tasks() if t is not asyncio.current_task()]:
                for task in tasks:
                    task.cancel()
                await asyncio.gather(*tasks, return_exceptions=True)
            await self._server.wait_closed()
        asyncio.run_coroutine_threadsafe(close(), self._loop).result(10)
        self._loop.call_soon_threadsafe(self._loop.stop)
        self._thread.join(10)
        self._loop.close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class _Hello(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keeps the connection alive
    disable_nagle_algorithm = True

    def do_GET(self):
        body = b"hello\n"
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def _timed_get(port, conn=None):
    """Milliseconds for one GET, on conn or on a connection of its own."""
    own = conn is None
    conn = conn or http.client.HTTPConnection(HOST, port)
    try:
        start = time.perf_counter()
        conn.request("GET", "/")
        conn.getresponse().read()
        return (time.perf_counter() - start) * 1000
    finally:
        if own:
            conn.close()


def _rounds(port, n=7):
    """Times of n requests on new connections and of n on one kept-alive connection."""
    fresh = [_timed_get(port) for _ in range(n)]
    keep = http.client.HTTPConnection(HOST, port)
    _timed_get(port, keep)  # opens the connection the kept-alive rounds reuse
    kept = [_timed_get(port, keep) for _ in range(n)]
    keep.close()
    return fresh, kept


def self_check(rtt_ms):
    """Times requests through the relay against the same requests without it: ~2 RTT extra on a
    new connection, ~1 on a kept-alive one (medians, so one late wake-up on a busy machine does
    not decide)."""
    server = http.server.ThreadingHTTPServer((HOST, 0), _Hello)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    ok = True
    try:
        direct = _rounds(server.server_address[1])
        with Relay(server.server_address[1], rtt_ms) as relay:
            relayed = _rounds(relay.port)
            accepted = relay.connections
    finally:
        server.shutdown()
    for label, expected, base, times in (("new connection", 2, direct[0], relayed[0]),
                                         ("kept alive", 1, direct[1], relayed[1])):
        extra = [(t - statistics.median(base)) / rtt_ms for t in times]
        good = abs(statistics.median(extra) - expected) < 0.4  # tells 1 from 2 on a busy machine
        ok &= good
        print(f"{label:15s} expected +{expected} RTT, measured "
              + " ".join(f"{e:+.2f}" for e in extra) + ("  ok" if good else "  WRONG"))
    print(f"connections accepted: {accepted} (expected 8)")
    return ok and accepted == 8


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--listen", type=int, default=0, help="port to listen on (0: a free one)")
    p.add_argument("--target", type=int, help="port of the server on 127.0.0.1")
    p.add_argument("--rtt-ms", type=float, default=20.0, help="round-trip time to add")
    p.add_argument("--self-check", action="store_true",
                   help="time requests through the relay against a small local server")
    args = p.parse_args()
    if args.self_check:
        sys.exit(0 if self_check(args.rtt_ms) else 1)
    if args.target is None:
        p.error("--target is required")

    async def run():
        stats = Stats()
        server = await serve(args.listen, args.target, args.rtt_ms, stats)
        port = server.sockets[0].getsockname()[1]
        print(f"Relaying {HOST}:{port} -> {HOST}:{args.target} with {args.rtt_ms:g} ms RTT",
              flush=True)
        try:
            async with server:
                await server.serve_forever()
        finally:
            print(f"Connections accepted: {stats.connections}", flush=True)

    try:
        asyncio.run(run())
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
