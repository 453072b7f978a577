#!/usr/bin/env python3
"""Exec -> start page onload, for zor-browser and for a bare window with one web view.

The start page's onload asks the loopback server for /loaded; the time from starting
the process to that request is the figure. Each program runs RUNS times (alternating,
so both see the same machine load); the median and the spread are printed.
"""
import http.server
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time

PAGE = b"""<html><head><title>Start</title></head>
<body onload="fetch('/loaded')">start page</body></html>"""
RUNS = int(os.environ.get("RUNS", "7"))
loaded = threading.Event()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith("/loaded"):
            loaded.set()
        # "/?anything" is the start page too, so a session can hold many addresses of it.
        body = PAGE if self.path.split("?")[0] == "/" else b"ok"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def forget_open_pages(program):
    """A terminated browser leaves its open pages to be recovered at the next start: without
    this every run after the first would restore the page before as a second tab."""
    try:
        os.remove(os.path.join(os.path.dirname(os.path.abspath(program)), "open-pages.txt"))
    except OSError:
        pass


def one_run(argv, env, measure=None):
    """Seconds from exec to onload, or None; `measure(pid)` runs after onload, before the end."""
    loaded.clear()
    start = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ok = loaded.wait(120)
    elapsed = time.monotonic() - start
    if ok and measure:
        measure(proc.pid)
    proc.terminate()
    try:
        proc.wait(10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    return elapsed if ok else None


def main():
    zor, bare = sys.argv[1], sys.argv[2]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_port
    results = {"zor-browser": [], "bare webview": []}
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=home + "/data", XDG_CACHE_HOME=home + "/cache",
                   XDG_CONFIG_HOME=home + "/config")
        for _ in range(RUNS):
            for name, argv in (("zor-browser", [zor, '"%s"' % url]), ("bare webview", [bare, url])):
                forget_open_pages(zor)
                t = one_run(argv, env)
                if t is not None:
                    results[name].append(t)
    for name, times in results.items():
        if not times:
            print("%-13s no run reached onload" % name)
            continue
        print("%-13s median %6.0f ms  min %6.0f ms  max %6.0f ms  (%d runs)" % (
            name, statistics.median(times) * 1000, min(times) * 1000, max(times) * 1000, len(times)))
    server.shutdown()


if __name__ == "__main__":
    main()
