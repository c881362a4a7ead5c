# SPDX-License-Identifier: MIT
"""The command line and the D-Bus interface of the real program, on the desktop's session bus:
one ALARM a session, plans armed and cancelled through the window's own steps, and what a script
gets back. A shut-down is armed only from the program's directory, where alarm-cmd is the stub."""
import os
import subprocess
import threading
import unittest

from kit import BUILD_DIR
from kit.processes import spawn, wait_until
from kit.program import SessionTest

SERVICE = INTERFACE = "io.github.velmora.alarm"
PATH = "/io/github/velmora/alarm"


class CommandLine(SessionTest):
    fake_time = "2026-12-07 10:00:00"

    def assert_armed_like_by_hand(self, hour, minutes, am_pm, off_tip):
        s = self.session
        s.wait_for_control("Alarmoff", lambda c: c["visible"] and c["description"] == off_tip,
                           what="OFF for the plan")
        controls = s.controls()
        self.assertFalse(any(controls[name]["enabled"] for name in ("Hour", "Minutes", "AM", "Shutdown")))
        self.assertEqual([controls[name]["value"] for name in ("Hour", "Minutes", "AM")], [hour, minutes, am_pm])
        s.wait_for_control("Label6", lambda c: c["name"] == f"{hour} : {minutes} : {am_pm}",
                           what="the time set in Label6")

    def test_conventions_need_no_window(self):
        s = self.session
        for arguments, code, stream in ((["--help"], 0, "stdout"), (["--version"], 0, "stdout"),
                                         (["--snooze"], 2, "stderr"), (["--alarm", "25:00"], 2, "stderr")):
            done = s.command(*arguments)
            self.assertEqual(done.returncode, code, arguments)
            self.assertTrue(getattr(done, stream), arguments)
        self.assertIn("--alarm TIME", s.command("--snooze").stderr)
        self.assertRegex(s.command("--version").stdout, r"^alarm \d+\.\d+\.\d+\n$")
        # Nothing was started, shown or spoken.
        self.assertEqual(s.instances(), [])
        self.assertEqual(s.sound.size(), 0)
        self.assertEqual(s.status(), "idle")

    def test_a_second_start_brings_the_first_forward(self):
        s = self.session
        self.start()
        spoken = s.sound.size()
        with s.x.covering(s.window) as cover:
            self.assertLess(s.x.stacking().index(s.window), s.x.stacking().index(cover))
            self.assertEqual(s.command().returncode, 0)
            wait_until(lambda: s.x.stacking().index(s.window) > s.x.stacking().index(cover), 5,
                       what="the window to come forward")
        self.assertEqual(s.instances(), [s.app.pid])
        self.assertIsNone(s.box_texts())
        self.assertEqual(s.sound.size(), spoken)

    def test_plans_from_the_command_line_work_the_window(self):
        s = self.session
        self.start()
        self.assertEqual(s.command("--alarm", "7:30pm").returncode, 0)
        self.assert_armed_like_by_hand("07", "30", "PM", "Click to off, alarm.   ")
        self.assertEqual(s.status(), "alarm at 7:30 PM")

        # A time that is not one changes nothing.
        refused = s.command("--shutdown", "7.30")
        self.assertEqual(refused.returncode, 2)
        self.assertIn("7:30pm, 7:30 PM, 07:30PM or 19:30", refused.stderr)
        self.assertEqual(s.status(), "alarm at 7:30 PM")

        # Another plan takes the place of the armed one; a 24-hour time is picked as 12-hour.
        self.assertEqual(s.command("--shutdown", "23:00").returncode, 0)
        self.assert_armed_like_by_hand("11", "00", "PM", "Click to cancel, shut down plan.   ")
        self.assertEqual(s.status(), "shut-down at 11:00 PM")

        self.assertEqual(s.command("--off").returncode, 0)
        s.wait_for_control("Alarmon", lambda c: c["visible"], what="ON after --off")
        self.assertEqual(s.status(), "idle")
        self.assertEqual(s.interpreter_starts(), [])

    def test_a_plan_for_which_none_runs_starts_one(self):
        # The command returns once the plan is armed, while the new ALARM still greets.
        s = self.session
        armed = s.command("--alarm", "07:45PM")
        self.assertEqual((armed.returncode, armed.stdout), (0, ""))
        s.adopt()
        self.assertEqual(s.status(), "alarm at 7:45 PM")
        s.dismiss_greeting()
        self.assert_armed_like_by_hand("07", "45", "PM", "Click to off, alarm.   ")

    def test_the_interface_on_the_bus(self):
        s = self.session
        self.start()
        env = s.desktop.environment()
        monitor = spawn(["dbus-monitor", f"type='signal',interface='{INTERFACE}',member='StateChanged'"],
                        env=env, stdout=subprocess.PIPE, text=True)
        lines = []
        threading.Thread(target=lambda: lines.extend(monitor.stdout), daemon=True).start()
        # A monitor tells itself that it has given up its name once it listens.
        wait_until(lambda: any("member=NameLost" in line for line in lines), 10, what="the monitor to listen")

        def call(interface, method, *arguments):
            return subprocess.run(["dbus-send", "--session", "--print-reply", f"--dest={SERVICE}", PATH,
                                   f"{interface}.{method}", *arguments], env=env, capture_output=True, text=True,
                                  timeout=30)

        self.assertEqual(call(INTERFACE, "ArmAlarm", "string:6:05am").returncode, 0)
        self.assertIn("InvalidArgs", call(INTERFACE, "ArmShutdown", "string:soon").stderr)
        self.assertEqual(call(INTERFACE, "GetState").stdout.split('"')[1::2], ["alarm", "06:05"])
        self.assertEqual(call(INTERFACE, "Cancel").returncode, 0)
        self.assertIn(f'<interface name="{INTERFACE}">',
                      call("org.freedesktop.DBus.Introspectable", "Introspect").stdout)

        # Each change of state as a signal, and nothing for the refused request.
        wait_until(lambda: sum("member=StateChanged" in line for line in lines) >= 2, 10, what="two signals")
        changes = [line.strip() for line in list(lines) if line.strip().startswith("string")][2:]
        self.assertEqual(changes, ['string "alarm"', 'string "06:05"', 'string "idle"', 'string ""'])


class BuildTree(unittest.TestCase):
    def test_the_programs_side_by_side(self):
        # So that a build tree carries out the shut-down, and wakes for the alarm, as the installed
        # program does.
        self.assertEqual(sorted(name for name in os.listdir(os.path.join(BUILD_DIR, "bin"))
                                if name.startswith("alarm")), ["alarm", "alarm-cmd", "alarm-wake"])


if __name__ == "__main__":
    unittest.main()
