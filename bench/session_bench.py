#!/usr/bin/env python3
"""A large saved session: exec -> the shown page's onload, and the memory of the whole
program (browser, web and network processes) a few seconds later, for N saved tabs
against one saved tab.

Each run copies the program folder, writes LastPages.ini with the session's addresses on
a loopback server, and starts the browser without an address. The restored page shown is
the last; its onload asks the server for /loaded. PSS is summed over the program and every
process below it from /proc/<pid>/smaps_rollup. Runs alternate between the two sizes.
"""
import http.server
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup_bench import Handler, loaded  # noqa: E402  the start page and its onload report

RUNS = int(os.environ.get("RUNS", "3"))
SETTLE = float(os.environ.get("SETTLE", "3"))


def children():
    out = {}
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            out.setdefault(int(fields[1]), []).append(int(pid))
        except OSError:
            pass
    return out


def tree_pss_kb(root):
    """PSS of `root` and its descendants in kB, and how many web processes are among them."""
    kids = children()
    total, web, todo = 0, 0, [root]
    while todo:
        pid = todo.pop()
        todo.extend(kids.get(pid, []))
        try:
            with open("/proc/%d/comm" % pid) as f:
                web += f.read().startswith("WebKitWebProces")
            with open("/proc/%d/smaps_rollup" % pid) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total, web


def one_run(program_dir, tabs, url, scratch, home):
    folder = os.path.join(scratch, "ZOR-Browser")
    shutil.rmtree(scratch, ignore_errors=True)
    shutil.copytree(program_dir, folder, symlinks=True)
    # A killed run leaves its recovery list; each run starts from LastPages.ini alone.
    shutil.rmtree(os.path.join(home, ".local", "share", "zor-browser"), ignore_errors=True)
    with open(os.path.join(folder, "LastPages.ini"), "w", newline="") as f:
        f.write("".join("%s?p%d\r\n" % (url, i) for i in range(1, tabs + 1)))
    env = dict(os.environ, HOME=home)
    for var in ("XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"):
        env.pop(var, None)
    loaded.clear()
    start = time.monotonic()
    proc = subprocess.Popen([os.path.join(folder, "zor-browser")], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ok = loaded.wait(120)
    elapsed = time.monotonic() - start
    time.sleep(SETTLE)
    pss, web = tree_pss_kb(proc.pid)
    proc.kill()
    proc.wait()
    return (elapsed, pss, web) if ok else None


def main():
    program_dir = os.path.dirname(os.path.abspath(sys.argv[1]))
    tabs = int(sys.argv[2]) if len(sys.argv) > 2 else 500
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_port
    results = {1: [], tabs: []}
    with tempfile.TemporaryDirectory() as scratch:
        # The engine's caches stay between runs, as on a desktop; a first run fills them.
        home = os.path.join(scratch, "home")
        one_run(program_dir, 1, url, os.path.join(scratch, "run"), home)
        for _ in range(RUNS):
            for size in results:
                r = one_run(program_dir, size, url, os.path.join(scratch, "run"), home)
                if r:
                    results[size].append(r)
    for size, runs in results.items():
        if not runs:
            print("%4d saved tabs: no run reached onload" % size)
            continue
        print("%4d saved tabs: usable in median %6.0f ms (min %6.0f, max %6.0f), PSS median %6.1f MB, "
              "%d web process(es)  (%d runs)" % (
                  size, statistics.median(r[0] for r in runs) * 1000, min(r[0] for r in runs) * 1000,
                  max(r[0] for r in runs) * 1000, statistics.median(r[1] for r in runs) / 1024,
                  max(r[2] for r in runs), len(runs)))
    server.shutdown()


if __name__ == "__main__":
    main()
