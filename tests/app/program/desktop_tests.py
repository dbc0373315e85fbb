#!/usr/bin/env python3
# Drives the built program as a user at the keyboard, on a private Xvfb with real key and mouse
# events (xdotool) and the X clipboard (xclip): paste from a spreadsheet's clipboard, Ctrl+S,
# Ctrl+Z. The program runs in its own temporary folder as in program_tests.py.
import os
import shutil
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import program_tests  # noqa: E402  (the sandbox and file helpers)

ONE_BAR = ("[loads]\nFx=5\n[properties]\nE=1000\nA=0.002\n[coordinates]\n1=1@0@0\n2=3@0@0\n"
           "[elements]\n1=1@2\n")


def xdotool(*args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], check=True, capture_output=True,
                          text=True, timeout=20).stdout


class DesktopKeys(program_tests.Windowed):
    """Keys typed into the running program. Waits end on events (a caption, the start-up
    milestone, the data file's content, the process) as in the windowed program cases, whose
    helpers these are (their own cases are not run again here: see load_tests)."""

    def setUp(self):
        for tool in ("xdotool", "xclip"):
            if shutil.which(tool) is None:
                self.skipTest(tool + " is not installed")
        super().setUp()
        self.pen = os.path.join(self.box.bin, "a.PEN")
        program_tests.write_pen(self.pen, ONE_BAR)
        with open(self.box.ini, "w", newline="") as f:
            f.write("[program]\r\nautoupdate=0\r\nopenlastproject=1\r\nnoIntroPanel=1\r\n"
                    "datafile=%s\r\n" % self.pen)

    def wait_title(self, title, timeout=15):
        return self.wait_window(lambda t: t == title, timeout)[0]

    def wait_file(self, predicate, timeout=10):
        end = time.monotonic() + timeout
        text = ""
        while time.monotonic() < end:
            text = program_tests.file_bytes(self.pen).decode("latin-1")
            if predicate(text):
                return text
            time.sleep(0.05)
        self.fail("the data file never changed as expected:\n%s\n%s" % (text, self.diagnostics()))

    def test_paste_save_and_undo_with_the_keyboard(self):
        proc = self.start([])
        window = self.wait_title("Tarvelin on bars : file=a.PEN", timeout=30)
        self.wait_ready(proc, timeout=30)
        # Without a window manager the window takes the keyboard by X focus.
        xdotool("windowfocus", "--sync", window)
        xdotool("key", "ctrl+2")  # View > Hinged bars
        # A click into the node table, then Ctrl+Home to its first cell (X of node 1).
        xdotool("mousemove", "--window", window, 90, 110)
        xdotool("click", 1)
        xdotool("key", "ctrl+Home")
        clip = subprocess.Popen(["xclip", "-selection", "clipboard", "-i"], stdin=subprocess.PIPE)
        clip.communicate(b"7\t8\t9\n", timeout=10)
        xdotool("key", "ctrl+v")
        self.wait_title("Tarvelin on bars : file=a.PEN*")
        xdotool("key", "ctrl+s")
        self.wait_title("Tarvelin on bars : file=a.PEN")
        self.wait_file(lambda t: "1=7.000@8.000@9.000" in t)
        xdotool("key", "ctrl+z")
        self.wait_title("Tarvelin on bars : file=a.PEN*")
        xdotool("key", "ctrl+s")
        self.wait_file(lambda t: "1=1.000@0.000@0.000" in t)
        # Ctrl+Shift+Z brings the paste back; the close writes it silently.
        xdotool("key", "ctrl+shift+z")
        self.wait_title("Tarvelin on bars : file=a.PEN*")
        import xwindows
        xwindows.close(window)
        self.assertEqual(self.finish(proc), 0)
        self.assertIn("1=7.000@8.000@9.000", program_tests.file_bytes(self.pen).decode("latin-1"))
        recent = program_tests.read_profile(self.box.ini)["recentfiles"]
        self.assertEqual(recent["file1"], self.pen)


def load_tests(loader, tests, pattern):
    """Only the cases of this file, not those DesktopKeys inherits."""
    return unittest.TestSuite(DesktopKeys(name) for name in sorted(vars(DesktopKeys))
                              if name.startswith("test_"))


if __name__ == "__main__":
    # The windowed cases' driver: its private Xvfb (--xvfb), its options, the cases of this
    # module (the main module).
    sys.exit(program_tests.main())
