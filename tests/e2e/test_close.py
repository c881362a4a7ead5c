# SPDX-License-Identifier: MIT
"""Closing the window ends the program at once in every plan state, carrying out nothing."""
import os
import time
import unittest

from kit.processes import descendants, wait_until
from kit.program import SessionTest


class Closing(SessionTest):
    fake_time = "2026-12-07 19:29:57"

    def close_and_check(self):
        s = self.session
        children = descendants(s.app.pid)
        closed = time.monotonic()
        s.close_window()
        s.app.wait(3)
        self.assertEqual(s.app.returncode, 0)
        self.assertLess(time.monotonic() - closed, 2.0)
        self.assertEqual([pid for pid in children if os.path.exists(f"/proc/{pid}")], [])
        for directory in (s.program_dir, s.runtime_dir):
            self.assertFalse(os.path.exists(os.path.join(directory, "Shut down.bat")))
        self.assertEqual(s.interpreter_starts(), [])

    def start_and_pick(self, hour_steps):
        self.start()
        self.session.pick_with_keys(hour_steps, 31, 2)
        self.session.wait_for_control("Alarmon", lambda c: c["enabled"])

    def test_idle(self):
        self.start_and_pick(8)
        self.close_and_check()

    def test_alarm_armed(self):
        self.start_and_pick(9)  # 08 : 30 : PM, an hour away
        self.session.click("Alarmon")
        self.session.wait_for_control("Alarmoff", lambda c: c["visible"])
        self.close_and_check()

    def test_ringing(self):
        s = self.session
        self.start_and_pick(8)  # 07 : 30 : PM, three seconds away
        s.click("Alarmon")
        # Speech, a pause, then the first melody.
        before = s.sound.size()
        wait_until(lambda: s.sound.size() > before, 10, what="the speech")
        sizes = []
        wait_until(lambda: sizes.append(s.sound.size()) or sizes[-20:].count(sizes[-1]) == 20, 10,
                   interval=0.03, what="the pause after the speech")
        paused = sizes[-1]
        wait_until(lambda: s.sound.size() > paused, 5, what="the first melody")
        self.close_and_check()

    def test_shutdown_armed(self):
        self.start_and_pick(9)
        self.session.click("Shutdown")
        self.session.wait_for_control("Alarmoff", lambda c: c["visible"])
        self.close_and_check()


if __name__ == "__main__":
    unittest.main()
