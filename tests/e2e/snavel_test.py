#!/usr/bin/env python3
"""Snavel, the quick-save program, run as the browser runs it against a page on 127.0.0.1;
the archive it writes is then opened offline in a WebKit view.

Run inside a session bus and Xvfb (CTest does: dbus-run-session, xvfb_session.sh), with the system
Python that has the Atspi, Gtk 4 and WebKit 6.0 bindings.
"""
import email
import email.policy
import http.server
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import unittest
import zlib

import gi

gi.require_version("Atspi", "2.0")
gi.require_version("Gtk", "4.0")
gi.require_version("WebKit", "6.0")
from gi.repository import Atspi, GLib, Gtk, WebKit  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from program_test import wait_for, xdotool  # noqa: E402
from access_test import application, nodes  # noqa: E402

PROGRAM_DIR = os.environ.get("ZOR_PROGRAM_DIR", "")


def png(width, height):
    """A small opaque PNG, written here so the test needs no picture files."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + b"\x20\x80\xe0" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


PICTURE = png(7, 5)
SHEET = b"h1 { color: rgb(1, 2, 3); }"
PAGE = b"""<!DOCTYPE html><html><head><meta charset="utf-8"><title>Saved page</title>
<link rel="stylesheet" href="/style.css"></head>
<body><h1>Words worth keeping</h1><img src="img/dot.png" alt="dot"></body></html>"""
FILES = {"/": ("text/html; charset=utf-8", PAGE), "/style.css": ("text/css", SHEET),
         "/img/dot.png": ("image/png", PICTURE)}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        kind, body = FILES.get(self.path, ("text/plain", None))
        self.send_response(200 if body is not None else 404)
        body = body if body is not None else b"not here"
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def load_in_web_view(path, script):
    """Opens the file in a WebKit view and returns the script's JSON result."""
    window = Gtk.Window()
    view = WebKit.WebView()
    window.set_child(view)
    window.present()
    loop = GLib.MainLoop()
    out = {}

    def evaluated(source, result):
        try:
            out["value"] = view.evaluate_javascript_finish(result).to_string()
        except GLib.Error as error:
            out["error"] = error.message
        loop.quit()

    def changed(_view, event):
        if event == WebKit.LoadEvent.FINISHED:
            view.evaluate_javascript(script, -1, None, None, None, evaluated)

    def failed(_view, _event, uri, error):
        out["error"] = "%s: %s" % (uri, error.message)
        loop.quit()
        return True

    view.connect("load-changed", changed)
    view.connect("load-failed", failed)
    view.load_uri(GLib.filename_to_uri(path, None))
    GLib.timeout_add_seconds(60, loop.quit)
    loop.run()
    window.destroy()
    if "value" not in out:
        raise AssertionError(out.get("error", "the archive did not load"))
    return json.loads(out["value"])


class SnavelTest(unittest.TestCase):
    def setUp(self):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.scratch = tempfile.mkdtemp(prefix="zor-snavel-")
        # A program folder of its own, writable, so the saves land in its SavedFiles/.
        self.program = os.path.join(self.scratch, "ZOR-Browser")
        self.saved = os.path.join(self.program, "SavedFiles")
        os.makedirs(self.saved)
        shutil.copy2(os.path.join(PROGRAM_DIR, "snavel"), self.program)
        self.env = dict(os.environ, HOME=os.path.join(self.scratch, "home"))
        self.env.pop("NO_AT_BRIDGE", None)
        self.procs = []

    def tearDown(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
            proc.wait()
        self.server.shutdown()
        self.server.server_close()
        self.wm.terminate()
        self.wm.wait()
        shutil.rmtree(self.scratch, ignore_errors=True)

    def start(self, url, env=None):
        with open(os.path.join(self.saved, "QuickSave.dat"), "w") as marker:
            marker.write("<head></head><body>the page</body>\r\n")
        proc = subprocess.Popen([os.path.join(self.program, "snavel"), "url:" + url], env=env or self.env)
        self.procs.append(proc)
        return proc

    def result_text(self, proc, containing):
        """The result box's text once it holds `containing`, read through AT-SPI."""
        def look():
            app = application(proc.pid)
            box = app and next((n for n in nodes(app) if n.get_name() == "Result"), None)
            value = Atspi.Text.get_text(box, 0, Atspi.Text.get_character_count(box)) if box else ""
            return value if containing in value else None
        return wait_for(look, timeout=60, step=0.3)

    def test_saves_numbered_archives_that_open_offline(self):
        proc = self.start(self.url)
        first = os.path.join(self.saved, "QuickSaved1.MHT")
        self.assertEqual(self.result_text(proc, "successfully"),
                         self.url + " File successfully saved to:\r\n" + self.saved + "/QuickSaved1.MHT !")
        self.assertTrue(os.path.exists(first))
        self.assertFalse(os.path.exists(os.path.join(self.saved, "QuickSave.dat")))
        self.assertEqual([n for n in os.listdir(self.saved) if n != "QuickSaved1.MHT"], [])

        # Its exit button, by its mnemonic, shrinks the window away and ends the program.
        win = xdotool("search", "--sync", "--onlyvisible", "--pid", str(proc.pid), "--name", "^Job Finished!$")
        self.assertTrue(win)
        xdotool("windowactivate", "--sync", win.split()[0])
        xdotool("key", "alt+x")
        self.assertEqual(proc.wait(timeout=20), 0)

        with open(first, "rb") as f:
            archive = email.message_from_binary_file(f, policy=email.policy.default)
        self.assertEqual(archive.get_content_type(), "multipart/related")
        parts = [(p.get_content_type(), p["Content-Location"], p.get_payload(decode=True))
                 for p in archive.iter_parts()]
        self.assertEqual([(t, l) for t, l, _ in parts],
                         [("text/html", self.url), ("text/css", self.url + "style.css"),
                          ("image/png", self.url + "img/dot.png")])
        self.assertEqual(parts[2][2], PICTURE)
        self.assertIn(b"Words worth keeping", parts[0][2])

        # A second save takes the next number, even without a session bus.
        no_bus = dict(self.env, DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(self.scratch, "no-bus"))
        second = self.start(self.url, no_bus)
        self.assertTrue(wait_for(lambda: os.path.exists(os.path.join(self.saved, "QuickSaved2.MHT")) and
                                 not os.path.exists(os.path.join(self.saved, "QuickSave.dat")), timeout=60))
        second.terminate()

        # With the server gone a save fails, says so, and leaves the marker file alone.
        self.server.shutdown()
        self.server.server_close()
        failed = self.start(self.url)
        self.assertIn("could not be saved", self.result_text(failed, "could not"))
        self.assertEqual(sorted(os.listdir(self.saved)), ["QuickSave.dat", "QuickSaved1.MHT", "QuickSaved2.MHT"])
        self.assertIsNone(failed.poll())

        # The archive alone shows the page, its picture and its style.
        seen = load_in_web_view(first, """JSON.stringify([document.body.innerText,
            document.images[0].naturalWidth, getComputedStyle(document.querySelector('h1')).color])""")
        self.assertIn("Words worth keeping", seen[0])
        self.assertEqual(seen[1:], [7, "rgb(1, 2, 3)"])

    def test_without_url_prefix_ends_without_a_window(self):
        proc = subprocess.Popen([os.path.join(self.program, "snavel"), "URL:" + self.url], env=self.env)
        self.procs.append(proc)
        self.assertEqual(proc.wait(timeout=30), 0)
        self.assertEqual(os.listdir(self.saved), [])


if __name__ == "__main__":
    if not PROGRAM_DIR or not os.path.isfile(os.path.join(PROGRAM_DIR, "snavel")):
        sys.exit("ZOR_PROGRAM_DIR must name the built program folder with snavel in it")
    unittest.main(verbosity=2)
