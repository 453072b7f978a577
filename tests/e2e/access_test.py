#!/usr/bin/env python3
"""The real window read as a screen reader reads it: through AT-SPI.

Run inside a session bus and Xvfb (CTest does: dbus-run-session, xvfb_session.sh), without
NO_AT_BRIDGE, with the system Python that has the Atspi bindings.
"""
import os
import sys
import unittest

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import program_test  # noqa: E402
from program_test import ProgramFixture, wait_for  # noqa: E402


def application(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def nodes(node):
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from nodes(child)


def described(node):
    return (node.get_name() or "", node.get_role_name() or "")


class AccessTest(ProgramFixture):
    def setUp(self):
        super().setUp()
        self.env.pop("NO_AT_BRIDGE", None)

    def find(self, name, roles, timeout=20):
        """The first accessible named `name` with one of `roles`, searched until it appears."""
        def look():
            app = application(self.proc.pid)
            if app is None:
                return None
            return next((n for n in nodes(app) if described(n)[0] == name and described(n)[1] in roles), None)
        return wait_for(look, timeout=timeout, step=0.5)

    def everything(self):
        app = application(self.proc.pid)
        return [described(n) for n in nodes(app)] if app else []

    def test_tools_address_box_and_tabs_have_names(self):
        # A title short enough for the tab to show whole.
        self.start("http://127.0.0.1:%d/second" % self.port)
        back = self.find("Back", ("toggle button", "push button"))
        self.assertIsNotNone(back, self.everything())
        # Disabled until there is somewhere to go back to.
        self.assertFalse(back.get_state_set().contains(Atspi.StateType.SENSITIVE))
        self.assertIsNotNone(self.find("Address", ("combo box", "text", "entry")), self.everything())
        tab = self.find("Page second", ("page tab",))
        self.assertIsNotNone(tab, self.everything())
        self.assertTrue(tab.get_state_set().contains(Atspi.StateType.SELECTED))
        # The side panel opened through AT-SPI's own click: its rows are named too.
        history = self.find("Show history in the side bar", ("push button",))
        self.assertIsNotNone(history, self.everything())
        history.get_action_iface().do_action(0)
        self.assertIsNotNone(self.find("Today", ("panel",)), self.everything())
        # No button of ours is left with the toolkit's class name for a name.
        self.assertFalse([n for n in self.everything() if n[0].startswith("gtkmm__") and n[1].endswith(("button", "tab"))])


if __name__ == "__main__":
    if not program_test.PROGRAM_DIR or not os.path.isdir(program_test.PROGRAM_DIR):
        sys.exit("ZOR_PROGRAM_DIR must name the built program folder")
    unittest.main(verbosity=2)
