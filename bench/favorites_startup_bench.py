#!/usr/bin/env python3
"""Start-up with many favorites: exec -> start page onload, with an empty Favorites folder
against one holding N internet shortcuts spread over N/20 folders.

Each profile has its own copy of the program folder and its own XDG_DATA_HOME; runs alternate between them so both see the
same machine load. Medians, spreads and the ratio are printed.
"""
import http.server
import os
import shutil
import statistics
import sys
import tempfile
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup_bench import Handler, forget_open_pages, one_run  # noqa: E402  the start page and its onload report

RUNS = int(os.environ.get("RUNS", "9"))


def profile(root, program_dir, favorites, url):
    shutil.copytree(program_dir, os.path.join(root, "ZOR-Browser"), symlinks=True)
    env = dict(os.environ, HOME=root, XDG_DATA_HOME=root + "/data", XDG_CACHE_HOME=root + "/cache",
               XDG_CONFIG_HOME=root + "/config")
    folder = os.path.join(root, "data", "zor-browser", "Favorites")
    os.makedirs(folder)
    folders = max(1, favorites // 20)
    for n in range(favorites):
        sub = os.path.join(folder, "Folder %03d" % (n % folders))
        os.makedirs(sub, exist_ok=True)
        with open(os.path.join(sub, "Favorite %04d.url" % n), "w", newline="") as f:
            f.write("[InternetShortcut]\r\nURL=%s?fav=%d\r\n" % (url, n))
    return env, os.path.join(root, "ZOR-Browser", "zor-browser")


def main():
    program_dir, favorites = os.path.dirname(os.path.abspath(sys.argv[1])), int(sys.argv[2])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_port
    names = ("empty", "%d favorites" % favorites)
    results = {name: [] for name in names}
    with tempfile.TemporaryDirectory() as empty, tempfile.TemporaryDirectory() as full:
        profiles = {names[0]: profile(empty, program_dir, 0, url), names[1]: profile(full, program_dir, favorites, url)}
        for _ in range(RUNS):
            for name in names:
                env, zor = profiles[name]
                forget_open_pages(zor)
                t = one_run([zor, '"%s"' % url], env)
                if t is not None:
                    results[name].append(t)
    for name in names:
        times = results[name]
        if not times:
            print("%-15s no run reached onload" % name)
            continue
        print("%-15s median %6.0f ms  min %6.0f ms  max %6.0f ms  (%d runs)" % (
            name, statistics.median(times) * 1000, min(times) * 1000, max(times) * 1000, len(times)))
    if all(results[name] for name in names):
        ratio = statistics.median(results[names[1]]) / statistics.median(results[names[0]])
        print("ratio %.3fx (target <= 1.10x)" % ratio)
    server.shutdown()


if __name__ == "__main__":
    main()
