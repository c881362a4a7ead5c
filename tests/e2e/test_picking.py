# SPDX-License-Identifier: MIT
"""Picking the time as a person would, with the mouse and with the keyboard."""
import unittest

from kit.processes import wait_until
from kit.program import SessionTest


class Picking(SessionTest):
    fake_time = "2026-12-07 08:00:00"

    def chosen_time(self):
        return self.session.control("Label6")["name"]

    def test_with_the_mouse(self):
        s = self.session
        self.start()
        s.pick_with_mouse("Hour", "07")
        wait_until(lambda: self.chosen_time() == "07 :  : ", 3, what="Label6 to follow the hour")
        self.assertFalse(s.control("Alarmon")["enabled"])
        s.pick_with_mouse("Minutes", "30")
        s.pick_with_mouse("AM", "PM")
        wait_until(lambda: self.chosen_time() == "07 : 30 : PM", 3, what="Label6 to show 07 : 30 : PM")
        self.assertTrue(s.control("Alarmon")["enabled"])
        self.assertTrue(s.control("Shutdown")["enabled"])

    # Every typed character steps the focused list on by one entry; Tab moves between the lists.
    def test_with_the_keyboard(self):
        s = self.session
        self.start()
        s.pick_with_keys(8, 31, 2)
        wait_until(lambda: self.chosen_time() == "07 : 30 : PM", 3, what="Label6 to show 07 : 30 : PM")
        self.assertTrue(s.control("Alarmon")["enabled"])
        # Navigation keys keep the list's own behaviour: Up steps back one entry.
        s.keys("Up")
        wait_until(lambda: self.chosen_time() == "07 : 30 : AM", 3, what="AM again")
        s.keys("shift+Tab", "Home")
        wait_until(lambda: self.chosen_time() == "07 : 00 : AM", 3, what="minutes back to 00")

    # Space steps the list once per press like any typed character, and never opens it to swallow
    # the keys that follow; Delete is no character and leaves the list as it is.
    def test_space_and_delete(self):
        s = self.session
        self.start()
        s.keys("Tab")
        s.wait_for_control("Hour", lambda c: c["focused"], what="Hour to take the focus")
        s.keys("space", "space", "space", "space", "Delete", "x")
        wait_until(lambda: self.chosen_time() == "04 :  : ", 3, what="Label6 to show 04")
        self.assertEqual(list(s.windows()), [s.window])

    # Arming greys the lists and puts OFF in ON's place; OFF brings everything back, time kept.
    def test_arming_and_cancelling(self):
        s = self.session
        self.start()
        s.arm("Alarmon", 8, 31, 2)
        s.wait_for_control("Alarmoff", lambda c: c["visible"])
        controls = s.controls()
        self.assertFalse(controls["Alarmon"]["visible"])
        self.assertEqual([controls[n]["enabled"] for n in ("Hour", "Minutes", "AM", "Label1", "Shutdown")],
                         [False] * 5)
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"] and c["enabled"])
        controls = s.controls()
        # Each list keeps its caption as its name, with the picked entry as its value.
        self.assertEqual([(controls[n]["name"], controls[n]["value"]) for n in ("Hour", "Minutes", "AM")],
                         [("Hour", "07"), ("Minutes", "30"), ("AM / PM", "PM")])
        self.assertTrue(controls["Hour"]["enabled"] and controls["Shutdown"]["enabled"])

        # "Shut down" then OFF gives OFF back its alarm tooltip. The clock is far from 07:30 PM.
        s.click("Shutdown")
        s.wait_for_control("Alarmoff", lambda c: c["description"] == "Click to cancel, shut down plan.   ")
        s.click("Alarmoff")
        s.wait_for_control("Alarmoff", lambda c: c["description"] == "Click to off, alarm.   ")
        self.assertEqual(s.interpreter_starts(), [])

    def test_tooltip_turns_with_every_move(self):
        s = self.session
        self.start()
        # A busy program merges the moves that queued up meanwhile into one, so each move waits for
        # its turn to show before the next is made.
        tip = "Set hour   "
        for step in range(1, len(tip) + 1):
            s.point_at("Label1", dx=step - 6)
            turned = tip[step:] + tip[:step]
            wait_until(lambda: s.tooltip_shown() == turned, 5, what=f"the tip turned to {turned!r}")
        self.assertEqual(turned, tip)
        # A screen reader is told the tip as written, however far it has turned.
        self.assertEqual(s.control("Label1")["description"], tip)
        s.point_at("Label1", dx=2)
        wait_until(lambda: s.tooltip_shown() == tip[1:] + tip[:1], 5, what="the tip turned once more")
        self.assertEqual(s.control("Label1")["description"], tip)
        # The lists' hints never move.
        s.point_at("Hour", dx=-3)
        s.point_at("Hour", dx=3)
        self.assertEqual(s.control("Hour")["description"], "Set hour")


if __name__ == "__main__":
    unittest.main()
