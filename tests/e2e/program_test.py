#!/usr/bin/env python3
"""The real program, started as a user starts it, against pages served on 127.0.0.1.

Run inside Xvfb (CTest does: xvfb_session.sh). Each test copies the program folder, so the
files the browser writes stay in a scratch folder, and gives it its own HOME.
"""
import http.server
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

PROGRAM_DIR = os.environ.get("ZOR_PROGRAM_DIR", "")

def page(path):
    title = "Loopback Test Page" if path == "/" else "Page " + path.strip("/")
    return ("""<!DOCTYPE html><html><head><meta charset="utf-8"><title>%s</title></head>
<body><h1>Hello from 127.0.0.1</h1><a href="/second">second</a></body></html>""" % title).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    seen = []  # the paths asked for, in order

    def do_GET(self):
        Handler.seen.append(self.path)
        body = page(self.path)
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def wait_for(predicate, timeout=30.0, step=0.2):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


class ProgramFixture(unittest.TestCase):
    """A loopback server, a window manager, and a scratch copy of the program folder."""

    @classmethod
    def setUpClass(cls):
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        cls.port = cls.server.server_address[1]
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        # A window manager, so maximising behaves as on a desktop.
        cls.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.wm.terminate()
        cls.wm.wait()

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="zor-e2e-")
        self.folder = os.path.join(self.scratch, "ZOR-Browser")
        shutil.copytree(PROGRAM_DIR, self.folder, symlinks=True)
        self.env = dict(os.environ)
        self.env["HOME"] = os.path.join(self.scratch, "home")
        for var in ("XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"):
            self.env.pop(var, None)
        # WebKit's web-process sandbox cannot start inside this test machine's sandbox.
        self.env["WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS"] = "1"
        self.env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
        self.proc = None

    def tearDown(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        shutil.rmtree(self.scratch, ignore_errors=True)

    def start(self, *args):
        self.proc = subprocess.Popen([os.path.join(self.folder, "zor-browser"), *args], env=self.env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def ask_to_close(self, main=None):
        """Alt+F4 on the main window, as a user closes it: the exit question's window, or None.
        The key goes only once the window manager has made the window the active one: on a
        loaded machine it may still be busy with the window's placement."""
        main = main or self.window()
        xdotool("windowactivate", "--sync", main)
        wait_for(lambda: xdotool("getactivewindow").strip() == main, timeout=10, step=0.05)
        xdotool("key", "alt+F4")
        return wait_for(lambda: next((w for w in self.windows() if w != main), None), timeout=30, step=0.05)

    def close_with_ok(self):
        """Closes the window as a user does and answers the exit question with OK."""
        question = self.ask_to_close()
        self.assertIsNotNone(question, "no exit question appeared")
        xdotool("windowactivate", "--sync", question)
        xdotool("key", "Return")
        try:
            return self.proc.wait(20)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end after OK")

    def windows(self):
        return xdotool("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid),
                       "--classname", "zor-browser").split()

    def window(self):
        ids = self.windows()
        return ids[0] if ids else None

    def title(self):
        win = self.window()
        return xdotool("getwindowname", win) if win else ""


class ProgramTest(ProgramFixture):
    def test_quoted_loopback_address_loads_and_titles_the_window(self):
        self.start('"http://127.0.0.1:%d/"' % self.port)
        title = wait_for(lambda: "Loopback Test Page" in self.title() and self.title())
        self.assertIsNotNone(title, "window title never showed the page title")
        self.assertTrue(title.startswith("Loopback Test Page - "), title)

    def test_plain_start_shows_a_fresh_window(self):
        self.start()
        self.assertIsNotNone(wait_for(self.window), "no window appeared")
        # The caption is the language file's title until a page reports one.
        title = wait_for(lambda: "ZOR-BROWSER" in self.title() and self.title(), timeout=10)
        self.assertIsNotNone(title, self.title())
        self.assertTrue(title.startswith("ZOR-BROWSER"), title)

    def test_missing_skin_says_so_and_ends(self):
        os.remove(os.path.join(self.folder, "default.tb2"))
        self.start()
        win = wait_for(self.window)
        self.assertIsNotNone(win, "no message appeared")
        time.sleep(0.5)
        # Real key presses go to the focused window; sent events are ignored by GTK.
        xdotool("windowactivate", "--sync", win)
        xdotool("key", "Return")
        try:
            code = self.proc.wait(15)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end after the message")
        self.assertEqual(code, 1)

    def test_settings_are_written_at_exit(self):
        self.start()
        self.assertIsNotNone(wait_for(self.window))
        time.sleep(1.0)
        self.close_with_ok()
        with open(os.path.join(self.folder, "Browser.ini"), encoding="utf-8") as f:
            text = f.read()
        self.assertIn("[ZOR-BROWSER]", text)
        self.assertIn("ADDRESSBAR=1", text)


class LongMenuTest(ProgramFixture):
    def test_a_hundred_thousand_proxies_open_at_once_and_the_last_is_chosen_from_the_list(self):
        def proxy(i):
            return "10.%d.%d.%d:8080" % (i >> 16, (i >> 8) & 255, i & 255)
        entries = 100000
        with open(os.path.join(self.folder, "Requires", "proxylist.ini"), "w", newline="") as f:
            f.write("".join(proxy(i) + "\r\n" for i in range(entries)))
        last = proxy(entries - 1)
        started = time.monotonic()
        self.start("http://127.0.0.1:%d/" % self.port)
        main = wait_for(lambda: "Loopback Test Page" in self.title() and self.window())
        self.assertIsNotNone(main, self.title())
        print("start to a loaded page with %d proxies: %.2f s" % (entries, time.monotonic() - started))
        xdotool("windowactivate", "--sync", main)
        time.sleep(0.5)

        # Tools > Proxy opens with the list in it; the window goes on taking input.
        xdotool("key", "alt+t")
        time.sleep(0.5)
        xdotool("key", "x")
        time.sleep(1.5)  # a loaded machine opens a long menu late; the Escapes must find it open
        xdotool("key", "Escape", "Escape", "Escape")
        time.sleep(0.3)
        xdotool("key", "ctrl+l")
        xdotool("type", "http://127.0.0.1:%d/second" % self.port)
        xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: "Page second" in self.title(), timeout=30), self.title())

        # Its last entry, through the searchable list at the menu's end.
        xdotool("key", "alt+t")
        time.sleep(0.5)
        xdotool("key", "x")
        time.sleep(0.5)
        xdotool("key", "m")
        chooser = wait_for(lambda: next((w for w in self.windows() if w != main), None), timeout=10)
        self.assertIsNotNone(chooser, "the list did not open")
        xdotool("windowactivate", "--sync", chooser)
        xdotool("type", last)
        time.sleep(0.5)
        xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: self.windows() == [main], timeout=10), "the list stayed open")
        self.close_with_ok()
        with open(os.path.join(self.folder, "Browser.ini"), encoding="utf-8") as f:
            self.assertIn("PROXY_IP=%s\n" % last, f.read().replace("\r\n", "\n"))


if __name__ == "__main__":
    if not PROGRAM_DIR or not os.path.isdir(PROGRAM_DIR):
        sys.exit("ZOR_PROGRAM_DIR must name the built program folder")
    unittest.main(verbosity=2)
