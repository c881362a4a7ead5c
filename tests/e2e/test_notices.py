# SPDX-License-Identifier: MIT
"""The real program's warning before a shut-down, on the tests' own notification service on the
desktop's session bus: posted, answered by its action, and taken back when the window closes."""
import json
import os
import subprocess
import threading
import unittest

from harness import BUILD_DIR, SessionTest, desktop, wait_until

SERVICE = os.path.join(BUILD_DIR, "tests", "alarm_test_notification_server")


class NotificationService:
    """Records every call it receives on the desktop's session bus; it ends with close(), or with
    the run."""

    def __init__(self, session):
        self.process = desktop.spawn([SERVICE], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                     env=session.desktop.environment())
        self.lines = []
        assert json.loads(self.process.stdout.readline()).get("ready"), "the notification service did not start"
        threading.Thread(target=lambda: self.lines.extend(self.process.stdout), daemon=True).start()

    def calls(self, method):
        return [call for call in map(json.loads, list(self.lines)) if call.get("call") == method]

    def pick_action(self, notify):
        self.process.stdin.write(f"action {notify['id']} {notify['actions'][0]}\n")
        self.process.stdin.flush()

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()


class ShutdownWarning(SessionTest):
    # Forty seconds to start, pick and arm before the target minute comes.
    fake_time = "2026-12-07 23:58:20"

    def test_warning_cancels_and_leaves_with_the_window(self):
        s = self.session
        service = NotificationService(s)
        self.addCleanup(service.close)
        self.start()
        s.arm("Shutdown", 12, 60, 2)  # 11 : 59 : PM

        # Armed inside the minute before the target: the warning comes at once, in the C locale's time.
        first = wait_until(lambda: service.calls("Notify"), 5, what="the warning")[0]
        self.assertEqual(first["summary"], "The computer will power off at 23:59")
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
        # The service records the withdrawal on its own time, after the program has ended.
        closed = wait_until(lambda: service.calls("CloseNotification"), 5, what="the warning withdrawn")
        self.assertEqual([call["id"] for call in closed], [second["id"]])
        self.assertEqual(s.interpreter_starts(), [])


if __name__ == "__main__":
    unittest.main()
