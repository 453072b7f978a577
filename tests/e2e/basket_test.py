#!/usr/bin/env python3
"""The link basket in the real program: turned on from the Tools menu, a loopback address
dragged onto it from a window of our own, opened from the basket's menu in a new tab, the
basket kept above the browser, and its Exit unchecking the tool.

Run inside Xvfb (CTest does). ZOR_DRAG_SOURCE names the small drag source program.
"""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import program_test  # noqa: E402
from program_test import ProgramFixture, wait_for, xdotool  # noqa: E402

DRAG_SOURCE = os.environ.get("ZOR_DRAG_SOURCE", "")


def geometry(win):
    values = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", win).splitlines())
    return {k: int(v) for k, v in values.items() if k in ("X", "Y", "WIDTH", "HEIGHT")}


def shot(name):
    """A screenshot of the screen into ZOR_E2E_SHOTS, when that names a folder."""
    folder = os.environ.get("ZOR_E2E_SHOTS")
    if folder:
        subprocess.run(["import", "-window", "root", os.path.join(folder, name + ".png")])


def stacking():
    """The managed windows from bottom to top, as the window manager stacks them."""
    out = subprocess.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], capture_output=True, text=True).stdout
    return [int(w, 16) for w in out.split("#", 1)[1].replace(",", " ").split()] if "#" in out else []


class BasketTest(ProgramFixture):
    def setUp(self):
        super().setUp()
        self.source = None

    def tearDown(self):
        if self.source and self.source.poll() is None:
            self.source.terminate()
            self.source.wait()
        super().tearDown()

    def url(self, name):
        return "http://127.0.0.1:%d/%s" % (self.port, name)

    def window(self):
        """The browser's main window: the basket shares its program's window class."""
        ids = [w for w in self.windows() if xdotool("getwindowname", w) != "ZOR-BROWSER"]
        return ids[0] if ids else None

    def basket(self):
        ids = xdotool("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "^ZOR-BROWSER$").split()
        return ids[0] if ids else None

    def open_pages(self):
        path = os.path.join(self.folder, "open-pages.txt")
        try:
            with open(path, encoding="utf-8") as f:
                return [line for line in f.read().splitlines() if line]
        except OSError:
            return []

    def basket_menu(self, basket, keys):
        """Right click on the basket's icon, then the keys that pick an item."""
        g = geometry(basket)
        # The keys go to the focused window: the basket's.
        xdotool("windowactivate", "--sync", basket)
        xdotool("mousemove", str(g["X"] + 15), str(g["Y"] + 15))
        time.sleep(0.3)
        xdotool("click", "3")
        time.sleep(0.8)
        shot("menu")
        for key in keys:
            xdotool("key", key)
            time.sleep(0.2)

    def test_drop_open_and_exit(self):
        self.start(self.url(""))
        main = wait_for(lambda: "Loopback Test Page" in self.title() and self.window())
        self.assertIsNotNone(main, self.title())
        xdotool("windowactivate", "--sync", main)
        time.sleep(0.5)

        # Tools > Link Basket.
        xdotool("key", "alt+t")
        time.sleep(0.8)
        xdotool("key", "a")
        basket = wait_for(self.basket, timeout=10)
        self.assertIsNotNone(basket, "the basket did not appear")
        # A loaded machine may map the window before its first size request is applied.
        size = lambda: (lambda g: (g.get("WIDTH"), g.get("HEIGHT")))(geometry(basket))
        wait_for(lambda: size() == (34, 34), timeout=10)
        self.assertEqual(size(), (34, 34), "collapsed: 510 twips square")
        xdotool("windowmove", basket, "900", "300")
        time.sleep(0.5)

        # A drag from a window of our own onto the basket, through the X test extension.
        address = self.url("basket")
        self.source = subprocess.Popen([DRAG_SOURCE, address], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        source = wait_for(lambda: xdotool("search", "--onlyvisible", "--name", "^zor-drag-source$").split(), timeout=10)
        self.assertIsNotNone(source, "the drag source did not appear")
        source = source[0]
        xdotool("windowmove", source, "300", "300")
        time.sleep(0.5)
        s = geometry(source)
        b = geometry(basket)
        xdotool("mousemove", str(s["X"] + s["WIDTH"] // 2), str(s["Y"] + s["HEIGHT"] // 2))
        time.sleep(0.3)
        xdotool("mousedown", "1")
        for step in range(1, 21):
            x = s["X"] + s["WIDTH"] // 2 + (b["X"] + 17 - s["X"] - s["WIDTH"] // 2) * step // 20
            y = s["Y"] + s["HEIGHT"] // 2 + (b["Y"] + 17 - s["Y"] - s["HEIGHT"] // 2) * step // 20
            xdotool("mousemove", str(x), str(y))
            time.sleep(0.05)
        time.sleep(0.5)
        xdotool("mouseup", "1")
        time.sleep(0.5)
        self.source.terminate()
        shot("dropped")

        # Hovering opens it; the entry is picked, then opened from the menu.
        xdotool("mousemove", str(b["X"] + 40), str(b["Y"] + 200))
        time.sleep(0.3)
        xdotool("mousemove", str(b["X"] + 15), str(b["Y"] + 15))
        self.assertIsNotNone(wait_for(lambda: geometry(basket)["WIDTH"] == 187, timeout=5),
                             "hovering the icon did not open the basket: %r" % geometry(basket))
        self.assertEqual(geometry(basket)["HEIGHT"], 136)
        shot("expanded")
        xdotool("mousemove", str(b["X"] + 60), str(b["Y"] + 45), "click", "1")
        time.sleep(0.3)
        before = len(self.open_pages())
        shot("picked")
        self.basket_menu(basket, ["Return"])  # the menu opens on its first item
        shot("opened")
        title = wait_for(lambda: self.title().startswith("Page basket - ") and self.title(), timeout=20)
        self.assertIsNotNone(title, "no new tab loaded the address: %r" % self.title())
        self.assertIsNotNone(wait_for(lambda: len(self.open_pages()) == before + 1 or None, timeout=10),
                             self.open_pages())
        self.assertEqual(self.open_pages()[-1], address)

        # A click on the browser leaves the basket above it.
        xdotool("mousemove", "--window", main, "600", "450", "click", "1")
        time.sleep(1.0)
        order = stacking()
        self.assertIn(int(basket), order)
        self.assertGreater(order.index(int(basket)), order.index(int(main)), "the basket went below the browser")
        state = subprocess.run(["xprop", "-id", basket, "_NET_WM_STATE"], capture_output=True, text=True).stdout
        self.assertIn("_NET_WM_STATE_ABOVE", state)

        # Exit from the basket's menu: the basket goes and the tool is unchecked.
        self.basket_menu(basket, ["Up", "Return"])
        self.assertIsNotNone(wait_for(lambda: self.basket() is None, timeout=10), "the basket stayed")
        self.close_with_ok()
        with open(os.path.join(self.folder, "Browser.ini"), encoding="utf-8") as f:
            self.assertIn("OPENGETBAR=0", f.read())


if __name__ == "__main__":
    if not program_test.PROGRAM_DIR or not os.path.isdir(program_test.PROGRAM_DIR):
        sys.exit("ZOR_PROGRAM_DIR must name the built program folder")
    if not DRAG_SOURCE or not os.access(DRAG_SOURCE, os.X_OK):
        sys.exit("ZOR_DRAG_SOURCE must name the drag source program")
    unittest.main(verbosity=2)
