#!/usr/bin/env python3
"""Tabs in the real program: opening, switching, closing, and a page that closes itself.

Run inside Xvfb (CTest does). Pages come from a loopback server; /closer* pages close
their own window a moment after loading.
"""
import http.server
import os
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import program_test  # noqa: E402
from program_test import ProgramFixture, wait_for, xdotool  # noqa: E402


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        name = self.path.strip("/") or "root"
        script = "<script>setTimeout(function () { window.close(); }, 2000);</script>" if name.startswith("closer") else ""
        body = ("<!DOCTYPE html><html><head><meta charset='utf-8'><title>Page %s</title></head>"
                "<body><h1>%s</h1>%s</body></html>" % (name, name, script)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class TabsTest(ProgramFixture):
    @classmethod
    def setUpClass(cls):
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        cls.port = cls.server.server_address[1]
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)

    def url(self, name):
        return "http://127.0.0.1:%d/%s" % (self.port, name)

    def open_pages(self):
        """The tab strip's addresses in order, as the browser's recovery list keeps them."""
        path = os.path.join(self.folder, "open-pages.txt")
        try:
            with open(path, encoding="utf-8") as f:
                return [line for line in f.read().splitlines() if line]
        except OSError:
            return []

    def wait_title(self, name):
        title = wait_for(lambda: self.title().startswith("Page %s - " % name) and self.title())
        self.assertIsNotNone(title, "caption never showed page %s: %r" % (name, self.title()))
        return title

    def start_on(self, name):
        self.start(self.url(name))
        self.wait_title(name)
        xdotool("windowactivate", "--sync", self.window())
        time.sleep(0.5)

    def new_tab(self, name):
        # A new tab gives the address box the focus; Enter navigates the new page.
        # (The caption of a fresh tab is the program's title alone.)
        xdotool("key", "ctrl+t")
        self.assertIsNotNone(wait_for(lambda: self.title().startswith("ZOR-BROWSER"), timeout=10), self.title())
        xdotool("type", "--delay", "5", self.url(name))
        xdotool("key", "Return")

    def test_three_tabs_close_the_middle_one(self):
        self.start_on("a")
        self.new_tab("b")
        self.wait_title("b")
        self.new_tab("c")
        self.wait_title("c")
        self.assertIsNotNone(wait_for(lambda: self.open_pages() == [self.url(n) for n in "abc"] or None),
                             self.open_pages())
        # The tabs share one width; the middle one is the second of three from the left.
        win = self.window()
        geometry = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", win).splitlines())
        self.assertGreater(int(geometry["WIDTH"]), 400)
        xdotool("mousemove", "--window", win, "190", "128", "click", "1")
        self.wait_title("b")
        xdotool("key", "ctrl+w")
        # The page shown before b comes back; its caption has the one form, version included.
        title = self.wait_title("c")
        self.assertRegex(title.split(" - ", 1)[1], r"^ZOR-BROWSER \d+\.\d+\.\d+$")
        self.assertIsNotNone(wait_for(lambda: self.open_pages() == [self.url("a"), self.url("c")] or None),
                             self.open_pages())

    def test_a_hidden_page_closing_itself_takes_only_its_tab(self):
        self.start_on("a")
        self.new_tab("closer")
        self.wait_title("closer")
        self.new_tab("c")
        self.wait_title("c")
        self.assertIsNotNone(wait_for(lambda: self.open_pages() == [self.url("a"), self.url("c")] or None),
                             self.open_pages())
        self.assertTrue(self.title().startswith("Page c - "), self.title())

    def test_the_shown_page_closing_itself_shows_the_previous_one(self):
        self.start_on("a")
        self.new_tab("closer2")
        self.wait_title("closer2")
        self.wait_title("a")
        self.assertIsNotNone(wait_for(lambda: self.open_pages() == [self.url("a")] or None), self.open_pages())

    def test_right_button_wheel_over_the_page_switches_tabs_without_a_menu(self):
        self.start_on("a")
        self.new_tab("b")
        self.wait_title("b")
        win = self.window()
        xdotool("mousemove", "--window", win, "600", "450")
        time.sleep(0.3)
        # Held right button, wheel away from the user: one tab to the left.
        xdotool("mousedown", "3")
        time.sleep(0.2)
        xdotool("click", "4")
        time.sleep(0.2)
        xdotool("mouseup", "3")
        self.wait_title("a")
        time.sleep(1.0)
        self.assertEqual(self.windows(), [win], "a context menu followed the gesture")
        # The next plain right click over the page has its menu again.
        xdotool("click", "3")
        menu = wait_for(lambda: next((w for w in self.windows() if w != win), None), timeout=10)
        self.assertIsNotNone(menu, "a plain right click over the page opened no menu")
        xdotool("key", "Escape")


if __name__ == "__main__":
    if not program_test.PROGRAM_DIR or not os.path.isdir(program_test.PROGRAM_DIR):
        sys.exit("ZOR_PROGRAM_DIR must name the built program folder")
    unittest.main(verbosity=2)
