# SPDX-License-Identifier: MIT
"""The program as a Wayland session meets it: Qt's Wayland plugin under weston without a screen.
There is no X server to ask, so the windows are read through the accessibility tree and through
the program's own log of what it asked the compositor for (WAYLAND_DEBUG)."""
import re
import time
import unittest

from kit.processes import wait_until
from kit.program import CONTROL_ORDER, SessionTest


def toplevels(log_path):
    """The title and fixed size asked for each xdg_toplevel, in the order the program made them."""
    with open(log_path, errors="replace") as f:
        log = f.read()
    found = {}
    for toplevel, request, arguments in re.findall(r"-> xdg_toplevel@(\d+)\.(set_title|set_min_size|"
                                                    r"set_max_size)\((.*)\)", log):
        entry = found.setdefault(toplevel, {"titles": [], "min": None, "max": None})
        if request == "set_title":
            entry["titles"].append(arguments.strip('"'))
        else:
            entry[request[4:7]] = tuple(int(n) for n in arguments.split(", "))
    return list(found.values())


class Wayland(SessionTest):
    fake_time = "2026-12-07 19:30:05"
    wayland = True

    def frame(self):
        """The main window, in the frame of its own title bar: that frame and its title buttons."""
        for app in self.session.desktop.atspi.Registry.getDesktop(0):
            for window in app or []:
                if any(c is not None and c.childCount == len(CONTROL_ORDER) for c in window or []):
                    return window, title_buttons(self.session, window)
        return None

    def test_greeting_then_the_window_blinking_without_maximise(self):
        s = self.session
        s.start()
        title, texts, buttons = wait_until(s.box_texts, 30, what="the greeting box")
        self.assertRegex(title, r"^Your computer time is :  19:30:0\d$")
        self.assertEqual(buttons, ["OK"])
        # The box, too, in a title bar of the program's own, which offers only to close it.
        box_frame = next(w for app in s.desktop.atspi.Registry.getDesktop(0) for w in app or []
                         if w is not None and w.name == title)
        self.assertEqual(title_buttons(s, box_frame), ["Close"])
        self.assertIsNone(self.frame(), "the window appeared before the greeting box was closed")
        press(s, "alert", "OK")

        frame, window_buttons = wait_until(self.frame, 10, what="the main window")
        # Its own title bar, without the maximise button that Qt's title bar always has.
        self.assertEqual(window_buttons, ["Minimise", "Close"])
        extents = frame.queryComponent().getExtents(s.desktop.atspi.WINDOW_COORDS)
        self.assertEqual((extents.width, extents.height), (195, 159))

        titles = set()
        deadline = time.monotonic() + 2.6
        while time.monotonic() < deadline:
            titles.add(frame.name)
            time.sleep(0.1)
        self.assertIn("ALARM", titles)
        self.assertTrue(any(t.startswith("19:30:") for t in titles), titles)

        # What the compositor was told: the box, then the window, each of one fixed size (so it
        # offers no maximising either), and the window's title blinking there as well.
        box, window = toplevels(s.log)
        self.assertTrue(box["titles"][0].startswith("Your computer time is :  19:30:0"), box)
        self.assertEqual(box["min"], box["max"])
        self.assertEqual(window["min"], (195, 159))
        self.assertEqual(window["max"], (195, 159))
        self.assertIn("ALARM", window["titles"])
        self.assertTrue(any(t.startswith("19:30:") for t in window["titles"]), window["titles"])
        self.assertIsNone(s.app.poll())


def title_buttons(session, frame):
    """The buttons a frame of the program's own shows in its title bar."""
    return [c.name for c in frame if c is not None and c.getRoleName() == "push button"
            and c.getState().contains(session.desktop.atspi.STATE_VISIBLE)]


def press(session, role, name):
    """Presses the push button called name in the open window of the given role, as a screen
    reader's user does; there is no pointer to move on a compositor without a screen."""
    atspi = session.desktop.atspi
    for app in atspi.Registry.getDesktop(0):
        box = app and atspi.findDescendant(app, lambda n: n.getRoleName() == role)
        button = box and atspi.findDescendant(box, lambda n: n.getRoleName() == "push button" and n.name == name)
        if button:
            button.queryAction().doAction(0)
            return
    raise AssertionError(f"no button {name} in a window of role {role}")


if __name__ == "__main__":
    unittest.main()
