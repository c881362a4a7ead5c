# SPDX-License-Identifier: MIT
"""The real program's warning before a shut-down, on the tests' own notification service on the
desktop's session bus: posted, answered by its action, and taken back when the window closes."""
import unittest

from kit.processes import wait_until
from kit.program import SessionTest
from kit.x import XWatcher
from kit.services import NotificationService


class ShutdownWarning(SessionTest):
    # Forty seconds to start, pick and arm before the target minute comes.
    fake_time = "2026-12-07 23:58:20"

    def test_warning_cancels_and_leaves_with_the_window(self):
        s = self.session
        service = NotificationService(s)
        self.addCleanup(service.close)
        self.start()
        s.arm("Shutdown", 12, 60, 2)  # 11 : 59 : PM

        # Armed inside the minute before the target: the warning comes at once, naming the time as the lists do.
        first = wait_until(lambda: service.calls("Notify"), 5, what="the warning")[0]
        self.assertEqual(first["summary"], "The computer will power off at 11:59 PM")
        self.assertEqual((first["urgency"], first["actions"][1]), (2, "Cancel shut-down"))

        # Its action cancels the plan as OFF would.
        service.pick_action(first)
        s.wait_for_control("Alarmon", lambda c: c["visible"], what="ON after the warning's action")
        self.assertFalse(s.control("Alarmoff")["visible"])
        self.assertTrue(s.control("Shutdown")["enabled"])

        # Armed again, then the window is closed: its warning leaves with it.
        s.click("Shutdown")
        second = wait_until(lambda: service.calls("Notify")[1:], 5, what="the second warning")[0]
        s.close_window()
        s.app.wait(5)
        # The service records the withdrawal on its own time, after the program has ended. The first
        # warning was closed by the program too, after its action: some services keep a notice up.
        closed = wait_until(lambda: len(service.calls("CloseNotification")) >= 2 and service.calls("CloseNotification"),
                            5, what="the warning withdrawn")
        self.assertEqual([call["id"] for call in closed], [first["id"], second["id"]])
        self.assertEqual(s.interpreter_starts(), [])


class RingingAlarm(SessionTest):
    fake_time = "2026-12-07 19:29:58"

    def test_found_and_stopped_from_anywhere(self):
        s = self.session
        service = NotificationService(s)
        self.addCleanup(service.close)
        self.start()
        taskbar = XWatcher(s.x.display)
        self.addCleanup(taskbar.close)
        s.arm("Alarmon", 8, 31, 2)  # 07 : 30 : PM
        # The person has turned to another program; the window is not the active one.
        s.x.take_focus()
        ringing = wait_until(lambda: service.calls("Notify"), 15, what="the ringing notice")[0]
        self.assertEqual((ringing["summary"], ringing["body"], ringing["urgency"]), ("Alarm", "7:30 PM", 2))
        self.assertEqual(ringing["actions"][1], "OFF")
        wait_until(lambda: taskbar.wants_attention(s.window), 5, what="the window to ask for attention")
        self.assertEqual(s.status(), "ringing")

        # Its action is OFF: the ringing stops, the mark goes, and the notice is closed.
        service.pick_action(ringing)
        s.wait_for_control("Alarmon", lambda c: c["visible"], what="ON after the notice's action")
        wait_until(lambda: not taskbar.wants_attention(s.window), 5, what="the window's mark to go")
        self.assertEqual([call["id"] for call in service.calls("CloseNotification")], [ringing["id"]])
        self.assertEqual(s.status(), "idle")


class StoppedBus(SessionTest):
    # Armed within the minute before the target, with half a minute to spare after the warning.
    fake_time = "2026-12-07 23:58:03"

    def test_the_window_goes_on_and_the_warning_comes_when_the_bus_answers(self):
        s = self.session
        service = NotificationService(s)
        self.addCleanup(service.close)
        self.start()
        s.pick_with_keys(12, 60, 2)  # 11 : 59 : PM
        s.wait_for_control("Shutdown", lambda c: c["enabled"])
        s.desktop.hold_bus()
        self.addCleanup(s.desktop.hold_bus, False)
        s.click("Shutdown")

        # The clock ticks on: the caption shows ALARM and the time, anew each second.
        captions = set()
        wait_until(lambda: captions.add(s.title()) or len(captions) >= 3, 5, interval=0.1,
                   what="the caption to go on changing")
        s.wait_for_control("Alarmoff", lambda c: c["visible"], what="OFF after arming")
        wait_until(lambda: "could not show the notice" in s.output() and "does not answer" in s.output(), 5,
                   what="the notice told on standard error")

        s.desktop.hold_bus(False)
        warning = wait_until(lambda: service.calls("Notify"), 15, what="the warning once the bus answers")[0]
        self.assertEqual(warning["summary"], "The computer will power off at 11:59 PM")
        service.pick_action(warning)
        s.wait_for_control("Alarmon", lambda c: c["visible"], what="ON after the warning's action")

        # Armed again and closed while the bus is stopped once more: the program ends at once.
        s.click("Shutdown")
        wait_until(lambda: service.calls("Notify")[1:], 5, what="the second warning")
        s.desktop.hold_bus()
        s.close_window()
        s.app.wait(3)
        self.assertEqual(s.interpreter_starts(), [])


if __name__ == "__main__":
    unittest.main()
