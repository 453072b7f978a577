#!/usr/bin/env python3
"""Quit and restart, and a killed browser started again: the open pages come back.

Run inside Xvfb (CTest does). Each test works on a copy of the program folder with its
own HOME, against pages served on 127.0.0.1.
"""
import os
import random
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import program_test as base  # noqa: E402


class ExitTest(base.ProgramFixture):
    def url(self, name):
        return "http://127.0.0.1:%d/%s" % (self.port, name)

    def seed_last_pages(self, names):
        with open(os.path.join(self.folder, "LastPages.ini"), "w", newline="") as f:
            for name in names:
                f.write(self.url(name) + "\r\n")

    def wait_for_title(self, fragment):
        return base.wait_for(lambda: fragment in self.title() and self.title())

    def test_quit_and_restart_brings_the_pages_back(self):
        self.seed_last_pages(["one", "two", "three"])
        self.start()
        self.assertIsNotNone(self.wait_for_title("Page three"), self.title())
        self.assertFalse(os.path.exists(os.path.join(self.folder, "LastPages.ini")), "start-up consumes the file")
        time.sleep(1.0)
        self.close_with_ok()
        with open(os.path.join(self.folder, "LastPages.ini"), newline="") as f:
            saved = f.read()
        self.assertEqual(saved, "".join(self.url(n) + "\r\n" for n in ["one", "two", "three"]))

        self.start()
        self.assertIsNotNone(self.wait_for_title("Page three"), self.title())
        self.assertFalse(os.path.exists(os.path.join(self.folder, "LastPages.ini")))

    def test_cancelled_close_keeps_the_window_and_the_next_close_asks_again(self):
        self.seed_last_pages(["kept"])
        self.start()
        self.assertIsNotNone(self.wait_for_title("Page kept"), self.title())
        main = self.window()
        question = self.ask_to_close(main)
        self.assertIsNotNone(question, "no exit question appeared")
        base.xdotool("windowactivate", "--sync", question)
        base.xdotool("key", "Escape")
        self.assertTrue(base.wait_for(lambda: self.windows() == [main], timeout=10), self.windows())
        time.sleep(0.5)
        self.assertIsNone(self.proc.poll(), "a cancelled close ended the program")
        self.assertFalse(os.path.exists(os.path.join(self.folder, "LastPages.ini")), "nothing is saved on cancel")
        self.close_with_ok()
        with open(os.path.join(self.folder, "LastPages.ini"), newline="") as f:
            self.assertEqual(f.read(), self.url("kept") + "\r\n")

    def test_killed_browser_recovers_its_pages(self):
        self.seed_last_pages(["alpha", "beta"])
        self.start()
        self.assertIsNotNone(self.wait_for_title("Page beta"), self.title())
        recovery = os.path.join(self.folder, "open-pages.txt")
        listed = base.wait_for(lambda: os.path.exists(recovery) and self.url("beta") in open(recovery).read())
        self.assertTrue(listed, "the recovery list never named the open pages")
        self.proc.send_signal(signal.SIGKILL)
        self.proc.wait(10)

        self.start()
        self.assertIsNotNone(self.wait_for_title("Page beta"), self.title())
        with open(recovery) as f:
            self.assertEqual(f.read(), self.url("alpha") + "\n" + self.url("beta") + "\n")

    def test_kills_at_random_moments_of_start_and_exit_lose_and_double_no_page(self):
        seed = int(os.environ.get("ZOR_KILL_SEED", "16"))
        rng = random.Random(seed)
        names = ["k1", "k2", "k3", "k4", "k5"]
        self.seed_last_pages(names)
        expected = "".join(self.url(n) + "\n" for n in names)
        recovery = os.path.join(self.folder, "open-pages.txt")
        marker = recovery + ".restoring"
        history = []

        def start():
            asks = os.path.exists(marker)
            self.start()
            if asks:
                # The last start was cut short while restoring: the question comes first.
                question = base.wait_for(self.window, timeout=15, step=0.05)
                self.assertIsNotNone(question, "seed %d: no restore question" % seed)
                base.xdotool("windowactivate", "--sync", question)
                base.xdotool("key", "Return")

        def kill():
            if self.proc.poll() is None:
                self.proc.send_signal(signal.SIGKILL)
            self.proc.wait(10)

        def stamp(path):
            try:
                return os.stat(path).st_mtime_ns
            except OSError:
                return None

        def kill_after_write(path, before, timeout):
            """Kills a few milliseconds after `path` was written: the moments between two
            writes are the narrow ones a uniform draw would almost never hit."""
            end = time.monotonic() + timeout
            while stamp(path) == before and self.proc.poll() is None and time.monotonic() < end:
                time.sleep(0.0005)
            time.sleep(rng.uniform(0.0, 0.005))
            kill()

        last_pages = os.path.join(self.folder, "LastPages.ini")
        for run in range(30):
            at_write = rng.random() < 0.5
            if rng.random() < 0.5:
                moment = rng.uniform(0.0, 1.5)
                history.append("start " + ("at the recovery list" if at_write else "%.2f" % moment))
                before = stamp(recovery)
                start()
                if at_write:
                    kill_after_write(recovery, before, 5)
                else:
                    time.sleep(moment)
                    kill()
                continue
            moment = rng.uniform(0.0, 0.5)
            history.append("exit " + ("at LastPages.ini" if at_write else "%.2f" % moment))
            start()
            main = base.wait_for(lambda: "Page k5" in self.title() and self.window(), timeout=20, step=0.05)
            self.assertIsNotNone(main, "seed %d, %s: %r" % (seed, history, self.title()))
            question = self.ask_to_close(main)
            self.assertIsNotNone(question, "seed %d: no exit question" % seed)
            before = stamp(last_pages)
            base.xdotool("windowactivate", "--sync", question)
            base.xdotool("key", "Return")
            if at_write:
                kill_after_write(last_pages, before, 5)
            else:
                time.sleep(moment)
                kill()

        def pages_now():
            try:
                with open(recovery) as f:
                    return f.read()
            except OSError:
                return None

        start()
        listed = base.wait_for(lambda: not os.path.exists(marker) and pages_now() == expected, timeout=20)
        self.assertTrue(listed, "seed %d, runs %s: the pages now are %r" % (seed, history, pages_now()))


if __name__ == "__main__":
    if not base.PROGRAM_DIR or not os.path.isdir(base.PROGRAM_DIR):
        sys.exit("ZOR_PROGRAM_DIR must name the built program folder")
    unittest.main(verbosity=2)
