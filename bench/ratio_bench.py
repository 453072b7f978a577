#!/usr/bin/env python3
"""The browser against a bare window with one web view, in one interleaved run: exec ->
start page onload, and the PSS of the whole program (UI, web and network processes) with
that one page, SETTLE seconds after onload. Medians and the ratios are printed.

Where OpenGL is a software rasterizer (Xvfb) the browser draws with cairo and the bare window
with GL; GSK_RENDERER=cairo in the environment puts both on the same renderer.
"""
import http.server
import os
import statistics
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from session_bench import tree_pss_kb  # noqa: E402
from startup_bench import Handler, forget_open_pages, one_run  # noqa: E402

RUNS = int(os.environ.get("RUNS", "7"))
SETTLE = float(os.environ.get("SETTLE", "3"))


def main():
    zor, bare = sys.argv[1], sys.argv[2]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_port
    names = ("zor-browser", "bare webview")
    times = {name: [] for name in names}
    pss = {name: [] for name in names}
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=home + "/data", XDG_CACHE_HOME=home + "/cache",
                   XDG_CONFIG_HOME=home + "/config")
        for _ in range(RUNS):
            for name, argv in ((names[0], [zor, '"%s"' % url]), (names[1], [bare, url])):
                def measure(pid, name=name):
                    time.sleep(SETTLE)
                    pss[name].append(tree_pss_kb(pid)[0])
                forget_open_pages(zor)
                t = one_run(argv, env, measure)
                if t is not None:
                    times[name].append(t)
    for name in names:
        if not times[name]:
            print("%-13s no run reached onload" % name)
            continue
        print("%-13s start-up median %6.0f ms (min %6.0f, max %6.0f)  PSS median %6.1f MB  (%d runs)" % (
            name, statistics.median(times[name]) * 1000, min(times[name]) * 1000, max(times[name]) * 1000,
            statistics.median(pss[name]) / 1024, len(times[name])))
    if all(times[name] and pss[name] for name in names):
        print("ratio start-up %.3fx  PSS %.3fx  (targets <= 1.05x)" % (
            statistics.median(times[names[0]]) / statistics.median(times[names[1]]),
            statistics.median(pss[names[0]]) / statistics.median(pss[names[1]])))
    server.shutdown()


if __name__ == "__main__":
    main()
