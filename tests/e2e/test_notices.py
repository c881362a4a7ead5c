# SPDX-License-Identifier: MIT
"""What the real program tells outside its window: the warning before a shut-down, on the tests' own
notification service on the desktop's session bus, and an alarm whose minute the spring
daylight-saving gap leaves out, in a real time zone."""
import json
import os
import subprocess
import threading
import unittest

from harness import BUILD_DIR, SessionTest, close_window, pick_with_keys, steady_tones, wait_until, wav_rate, wav_samples

SERVICE = os.path.join(BUILD_DIR, "tests", "alarm_test_notification_server")


class NotificationService:
    """Records every call it receives; it ends with close(), or with this process."""

    def __init__(self):
        self.process = subprocess.Popen([SERVICE], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
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
        service = NotificationService()
        self.addCleanup(service.close)
        s.start()
        s.dismiss_greeting()
        pick_with_keys(s, 12, 60, 2)  # 11 : 59 : PM
        s.wait_for_control("Shutdown", lambda c: c["enabled"])
        s.click("Shutdown")

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
        close_window(s)
        s.app.wait(5)
        self.assertEqual([call["id"] for call in service.calls("CloseNotification")], [second["id"]])
        self.assertEqual(s.interpreter_starts(), [])


class DaylightSavingGap(SessionTest):
    # In Berlin the clocks go from 01:59:59 to 03:00:00 that night; 02:30 never shows.
    fake_time = "2026-03-29 01:59:40"

    def test_alarm_in_the_gap_rings_when_the_clock_jumps(self):
        s = self.session
        environment = s.environment
        s.environment = lambda: dict(environment(), TZ="Europe/Berlin")
        s.start()
        s.dismiss_greeting()
        pick_with_keys(s, 3, 31, 1)  # 02 : 30 : AM
        s.wait_for_control("Alarmon", lambda c: c["enabled"])
        s.click("Alarmon")
        s.wait_for_control("Alarmoff", lambda c: c["visible"])

        # The speech, then the melody: 500 Hz first.
        rate = wav_rate(s.wav)
        tones = wait_until(lambda: steady_tones(wav_samples(s.wav), rate)[:2], 40, interval=0.5,
                           what="the melody after the gap")
        self.assertAlmostEqual(tones[0][0], 500, delta=15)
        close_window(s)
        s.app.wait(5)


if __name__ == "__main__":
    unittest.main()
