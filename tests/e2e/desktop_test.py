#!/usr/bin/env python3
"""The browser on the desktop. One browser per profile: a later start on the same program
folder hands its address to the running browser and ends; without a usable session bus each
start runs on its own. Tools > Default Web Browser, against a stand-in xdg-settings.

Run inside a session bus and Xvfb (CTest does: dbus-run-session, xvfb_session.sh), with the system
Python that has the Atspi bindings (the tabs are read through AT-SPI).
"""
import os
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import program_test  # noqa: E402
from access_test import application, described, nodes  # noqa: E402
from gi.repository import Atspi  # noqa: E402
from program_test import Handler, ProgramFixture, wait_for, xdotool  # noqa: E402

# A session bus that lets no one own the browser's names.
REFUSING_BUS = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
    <deny own_prefix="io.github.zor_browser"/>
  </policy>
</busconfig>
"""


class SingleInstanceTest(ProgramFixture):
    def url(self, name):
        return "http://127.0.0.1:%d/%s" % (self.port, name)

    def tabs(self):
        app = application(self.proc.pid)
        return [n for n in nodes(app) if described(n)[1] == "page tab"] if app else []

    def test_a_second_start_hands_its_address_to_the_running_browser(self):
        self.env.pop("NO_AT_BRIDGE", None)
        self.start(self.url("one"))
        self.assertIsNotNone(wait_for(lambda: "Page one" in self.title()), self.title())
        Handler.seen.clear()
        second = subprocess.run([os.path.join(self.folder, "zor-browser"), self.url("two")], env=self.env,
                                capture_output=True, text=True, timeout=30)
        self.assertEqual(second.returncode, 0, second.stderr)
        self.assertIsNotNone(wait_for(lambda: "/two" in Handler.seen), Handler.seen)
        # The running browser shows it in a new page in front; the first page stays.
        names = lambda: sorted(described(t)[0] for t in self.tabs())  # noqa: E731
        self.assertTrue(wait_for(lambda: names() == ["Page one", "Page two"]), names())
        front = [described(t)[0] for t in self.tabs() if t.get_state_set().contains(Atspi.StateType.SELECTED)]
        self.assertEqual(front, ["Page two"])
        self.assertTrue(wait_for(lambda: self.title().startswith("Page two")), self.title())
        self.assertEqual(len(self.windows()), 1, "the second start opened a window of its own")

    def test_without_a_usable_session_bus_the_browser_still_starts(self):
        with tempfile.TemporaryDirectory() as scratch:
            config = os.path.join(scratch, "refusing.conf")
            with open(config, "w") as f:
                f.write(REFUSING_BUS % scratch)
            bus = subprocess.Popen(["dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=1"],
                                   stdout=subprocess.PIPE, text=True)
            try:
                refusing = bus.stdout.readline().strip()
                for address in ("unix:path=" + os.path.join(scratch, "no-bus"), refusing):
                    with self.subTest(bus=address):
                        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
                        self.start(self.url("alone"))
                        shown = wait_for(lambda: "Page alone" in self.title())
                        self.assertIsNotNone(shown, self.title())
                        self.stop_program()
            finally:
                bus.terminate()
                bus.wait()
                bus.stdout.close()

    def stop_program(self):
        self.proc.terminate()
        self.proc.wait(20)
        self.proc = None


# Keeps the desktop's answer in a file beside it and logs every call.
FAKE_XDG_SETTINGS = """#!/bin/sh
here=$(dirname "$0")
echo "$*" >> "$here/calls"
case "$1 $2" in
  "get default-web-browser") cat "$here/default" ;;
  "set default-web-browser") echo "$3" > "$here/default" ;;
  *) exit 1 ;;
esac
"""


class DefaultBrowserTest(ProgramFixture):
    def setUp(self):
        super().setUp()
        self.env.pop("NO_AT_BRIDGE", None)
        self.bin = os.path.join(self.scratch, "bin")
        os.makedirs(self.bin)

    def entry_checked(self):
        """The check state of Tools > Default Web Browser while the menu is open, None when not shown."""
        app = application(self.proc.pid)
        entry = next((n for n in nodes(app) if described(n) == ("Default Web Browser", "menu item")), None) if app else None
        return None if entry is None else entry.get_state_set().contains(Atspi.StateType.CHECKED)

    def read(self, name):
        try:
            with open(os.path.join(self.bin, name)) as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def open_tools_menu(self):
        """Opens Tools with its key until the entry shows (a key before the window is ready is lost)."""
        def opened():
            xdotool("windowactivate", "--sync", self.window())
            xdotool("key", "alt+t")
            return wait_for(lambda: self.entry_checked() is not None, timeout=3, step=0.3)
        self.assertTrue(wait_for(opened, timeout=40, step=0), "the Tools menu did not open")

    def test_the_tools_entry_makes_this_the_default_and_shows_that_it_is(self):
        script = os.path.join(self.bin, "xdg-settings")
        with open(script, "w") as f:
            f.write(FAKE_XDG_SETTINGS)
        os.chmod(script, stat.S_IRWXU)
        with open(os.path.join(self.bin, "default"), "w") as f:
            f.write("firefox-esr.desktop\n")
        self.env["PATH"] = self.bin + os.pathsep + self.env.get("PATH", "")
        self.start()
        self.assertIsNotNone(wait_for(self.window))
        self.open_tools_menu()
        self.assertTrue(wait_for(lambda: "get default-web-browser" in self.read("calls")), self.read("calls"))
        self.assertFalse(self.entry_checked())
        xdotool("key", "w")
        self.assertTrue(wait_for(lambda: self.read("default") == "zor-browser.desktop\n"), self.read("calls"))
        self.open_tools_menu()
        self.assertTrue(wait_for(lambda: self.entry_checked()), self.read("calls"))

    def test_without_xdg_settings_the_entry_says_what_is_missing(self):
        self.env["PATH"] = self.bin
        self.start()
        self.assertIsNotNone(wait_for(self.window))
        self.open_tools_menu()
        xdotool("key", "w")
        told = wait_for(lambda: next((n for n in nodes(application(self.proc.pid)) if "xdg-utils" in described(n)[0]), None))
        self.assertIsNotNone(told, [described(n) for n in nodes(application(self.proc.pid))])


if __name__ == "__main__":
    if not program_test.PROGRAM_DIR or not os.path.isdir(program_test.PROGRAM_DIR):
        sys.exit("ZOR_PROGRAM_DIR must name the built program folder")
    unittest.main(verbosity=2)
