# SPDX-License-Identifier: MIT
"""The end-to-end tests' base: each test runs the real program once on the process's accessible
desktop (tests/desktop.py), with its clock set by libfaketime and its sound captured, or under a
Wayland compositor of its own."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import desktop  # noqa: E402  (the kit registers its reaper before anything else can fail)
from desktop import BUILD_DIR, SCRIPT_BYTES, wait_until  # noqa: E402,F401  (for the tests)


def run_on_desktop(fake_time=None, sound="file", wayland=False, folder="program"):
    """A run of the program on the process's accessible desktop."""
    return desktop.AlarmRun(desktop.Desktop.shared(), fake_time, sound, wayland=wayland, folder=folder)


class SessionTest(unittest.TestCase):
    fake_time = None
    sound = "file"
    wayland = False
    folder = "program"  # the name of the program's directory

    def setUp(self):
        self.session = run_on_desktop(self.fake_time, self.sound, self.wayland, self.folder)
        self.addCleanup(self.session.close)

    def start(self):
        """Starts the program and closes its greeting; returns the main window."""
        self.session.start()
        return self.session.dismiss_greeting()


def pick_with_mouse(session, list_name, entry):
    """Opens a list with a click and clicks the entry in its popup."""
    # The popup opens over the box; pointing low in the box keeps the pointer clear of the popup's
    # top edge, where a held button would scroll the list.
    session.point_at(list_name, dy=8)
    session.x.xdotool("click", "1")
    session.wait_for_control(list_name, lambda c: c["expanded"], what=f"the {list_name} popup")
    box = wait_until(lambda: session.desktop.list_entry_extents(session.app.pid, list_name, entry), 5,
                     what=f"entry {entry} of {list_name} on screen")
    # Qt reports the items wider than the popup, which is as wide as the list: aim at the list's middle.
    x = session.x.geometry(session.window)[0] + desktop.centre(list_name)[0]
    session.x.xdotool("mousemove", str(x), str(box.y + box.height // 2), "click", "1")
    session.wait_for_control(list_name, lambda c: not c["expanded"], what="the popup to close")
