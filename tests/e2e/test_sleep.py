# SPDX-License-Identifier: MIT
"""The real program and the computer's sleep, against stand-ins of the desktop's power services on
the desktop's session bus and of logind on a private system bus: idle sleep held off while a plan
is armed, through whichever service there is, and let go however the program ends; a wake-up set
for the alarm when a sleep is announced, and the sleep let go at once. Nothing here suspends the
machine, and the only wake timers are the program's own, which end with it."""
import datetime
import os
import signal
import time
import unittest

from kit.processes import wait_until
from kit.program import SessionTest, run_on_desktop
from kit.services import NotificationService, PowerServices

FAKE_START = "2026-12-07 19:20:00"
WAKE = "2026-12-07 19:28:30"  # 90 s before the alarm at 7:30 PM
# Root, as the tests run, may set wake timers; without CAP_WAKE_ALARM it is as a user on Debian 12.
WITHOUT_WAKE_ALARM = ["setpriv", "--bounding-set=-wake_alarm", "--inh-caps=-wake_alarm"]
ALARM_CLOCK = 8  # CLOCK_REALTIME_ALARM


def wake_timers(pid):
    """Seconds left on each CLOCK_REALTIME_ALARM timer the process holds, from its fdinfo."""
    left = []
    for fd in os.listdir(f"/proc/{pid}/fd"):
        try:
            if os.readlink(f"/proc/{pid}/fd/{fd}") != "anon_inode:[timerfd]":
                continue
            with open(f"/proc/{pid}/fdinfo/{fd}") as f:
                info = dict(line.split(":", 1) for line in f.read().splitlines())
        except OSError:
            continue
        if int(info["clockid"]) == ALARM_CLOCK:
            left.append(int(info["it_value"].strip(" ()").split(",")[0]))
    return left


def serve(test, session, services):
    """Stand-ins of these services for the session's program, ended with the test."""
    power = PowerServices(session.desktop, services)
    test.addCleanup(power.close)
    session.extra_environment = power.environment()
    return power


def start_and_arm(session, plan, wrapper=()):
    session.start(wrapper=wrapper)
    session.dismiss_greeting()
    session.arm(plan, 8, 31, 2)  # 07 : 30 : PM
    session.wait_for_control("Alarmoff", lambda c: c["visible"])


class SleepTest(SessionTest):
    fake_time = FAKE_START
    services = PowerServices.ALL

    def setUp(self):
        super().setUp()
        self.power = serve(self, self.session, self.services)

    def seconds_to(self, when):
        """Seconds from now on the program's faked clock to when."""
        now = datetime.datetime.strptime(FAKE_START, "%Y-%m-%d %H:%M:%S") + datetime.timedelta(
            seconds=time.monotonic() - self.session.started)
        return (datetime.datetime.strptime(when, "%Y-%m-%d %H:%M:%S") - now).total_seconds()


class IdleSleep(SleepTest):
    def test_held_with_a_readable_reason_while_a_plan_is_armed(self):
        s, power = self.session, self.power
        start_and_arm(s, "Alarmon")
        inhibit = power.wait_for("GNOME's inhibition", service="gnome", call="Inhibit")[0]
        # Suspending only: the screen may still blank and lock.
        self.assertEqual((inhibit["app"], inhibit["reason"], inhibit["flags"]),
                         ("io.github.velmora.alarm", "Alarm at 7:30 PM", 4))
        power.wait_for("the sleep lock", service="logind", call="Inhibit", what="sleep", mode="delay")
        self.assertEqual(len(power.records(call="Inhibit")), 2)

        s.click("Alarmoff")
        power.wait_for("the inhibition let go", service="gnome", call="Uninhibit", cookie=inhibit["cookie"])
        wait_until(lambda: not power.locks("sleep"), 5, what="the sleep lock let go")

        # The shut-down holds idle sleep off too, but takes no lock: it never wakes the computer.
        s.click("Shutdown")
        power.wait_for("the shut-down's inhibition", service="gnome", call="Inhibit", reason="Shut-down at 7:30 PM")
        self.assertEqual(len(power.held("gnome")), 1)
        s.close_window()
        s.app.wait(5)
        wait_until(lambda: not power.held("gnome"), 5, what="nothing held once the window closed")
        self.assertEqual(len(power.records(service="logind", call="Inhibit")), 1)

    def test_a_killed_program_leaves_nothing_held(self):
        power = self.power
        start_and_arm(self.session, "Alarmon")
        power.wait_for("GNOME's inhibition", service="gnome", call="Inhibit")
        power.wait_for("the sleep lock", service="logind", call="Inhibit")
        os.kill(self.session.app.pid, signal.SIGKILL)
        wait_until(lambda: not power.held("gnome") and not power.locks("sleep"), 5,
                   what="the inhibition and the lock gone with the program")

    def test_a_release_before_the_answer_is_carried_out_when_it_comes(self):
        s, power = self.session, self.power
        power.tell("answer hold")
        start_and_arm(s, "Alarmon")
        # OFF and ON again and again while the services have not answered: one request each.
        for plan in ("Alarmoff", "Alarmon") * 3 + ("Alarmoff",):
            s.click(plan)
            s.wait_for_control("Alarmon" if plan == "Alarmoff" else "Alarmoff", lambda c: c["visible"])
        power.tell("answer now")
        inhibit = power.wait_for("the inhibition", service="gnome", call="Inhibit")[0]
        power.wait_for("its release once answered", service="gnome", call="Uninhibit", cookie=inhibit["cookie"])
        lock = power.wait_for("the sleep lock", service="logind", call="Inhibit")[0]
        power.wait_for("the lock closed once answered", released=lock["lock"])
        self.assertEqual(len(power.records(call="Inhibit")), 2)


class EachServiceInTurn(SessionTest):
    def test_where_one_is_missing_the_next_holds_idle_sleep_off(self):
        for services, expected in ((("fdo", "portal", "logind"), "fdo"), (("portal", "logind"), "portal"),
                                   (("logind",), "logind")):
            with self.subTest(expected):
                session = run_on_desktop(FAKE_START)
                self.addCleanup(session.close)
                power = serve(self, session, services)
                start_and_arm(session, "Shutdown")
                taken = power.wait_for(f"the inhibition through {expected}", call="Inhibit")
                self.assertEqual([(line["service"], line.get("reason", line.get("why"))) for line in taken],
                                 [(expected, "Shut-down at 7:30 PM")])
                self.assertEqual(taken[0].get("flags", 4), 4)
                self.assertEqual((taken[0].get("what", "idle"), taken[0].get("mode", "block")), ("idle", "block"))
                session.close()
                power.close()


class WakingForTheAlarm(SleepTest):
    def test_a_sleep_sets_a_wake_timer_and_goes_ahead_at_once(self):
        s, power = self.session, self.power
        start_and_arm(s, "Alarmon")
        lock = power.wait_for("the sleep lock", service="logind", call="Inhibit", what="sleep", mode="delay")[0]
        power.announce(True)
        released = power.wait_for("the lock let go", released=lock["lock"])[0]
        announced = power.records(signal="PrepareForSleep", start=True)[0]
        self.assertLess(released["ms"] - announced["ms"], 200)
        # A timer on the clock that wakes a sleeping computer, for 90 s before the alarm's minute.
        left = wake_timers(s.app.pid)
        self.assertEqual(len(left), 1)
        self.assertLessEqual(abs(left[0] - self.seconds_to(WAKE)), 3)

        # After the sleep the timer has done its work, and the lock is held for the next sleep.
        power.announce(False)
        wait_until(lambda: not wake_timers(s.app.pid), 5, what="the wake timer taken down")
        power.wait_for("the lock taken again", count=2, service="logind", call="Inhibit", what="sleep")
        self.assertEqual(len(power.locks("sleep")), 1)

    def test_plasma_sets_it_where_the_program_may_not(self):
        s, power = self.session, self.power
        start_and_arm(s, "Alarmon", WITHOUT_WAKE_ALARM)
        power.wait_for("the sleep lock", service="logind", call="Inhibit", what="sleep")
        power.announce(True)
        wakeup = power.wait_for("Plasma's wake-up", service="plasma", call="scheduleWakeup")[0]
        expected = datetime.datetime.strptime(WAKE, "%Y-%m-%d %H:%M:%S").timestamp()
        self.assertLessEqual(abs(wakeup["timestamp"] - expected), 3)
        wait_until(lambda: not power.locks("sleep"), 5, what="the lock let go")
        self.assertEqual(wake_timers(s.app.pid), [])
        power.announce(False)
        power.wait_for("the wake-up cleared", service="plasma", call="clearWakeup", cookie=wakeup["cookie"])

    def test_the_shutdown_plan_never_wakes_the_computer(self):
        s, power = self.session, self.power
        start_and_arm(s, "Shutdown")
        power.wait_for("the shut-down's inhibition", service="gnome", call="Inhibit")
        power.announce(True)
        power.wait_for("the announcement", signal="PrepareForSleep")
        # A round trip through the window's event loop, after the announcement reached the program.
        self.assertEqual(s.status(), "shut-down at 7:30 PM")
        self.assertEqual(power.records(service="logind", call="Inhibit"), [])
        self.assertEqual(power.records(service="plasma"), [])
        self.assertEqual(wake_timers(s.app.pid), [])


class NoWayToWake(SleepTest):
    # No alarm-wake beside the program, no Plasma, and no capability of its own.
    services = ("gnome", "logind")

    def test_the_user_is_told_before_the_sleep(self):
        s, power = self.session, self.power
        notices = NotificationService(s)
        self.addCleanup(notices.close)
        start_and_arm(s, "Alarmon", WITHOUT_WAKE_ALARM)
        power.wait_for("the sleep lock", service="logind", call="Inhibit", what="sleep")
        power.announce(True)
        notice = wait_until(lambda: notices.calls("Notify"), 5, what="the notice")[0]
        self.assertEqual(notice["summary"], "The alarm at 7:30 PM can ring only if the computer is awake")
        wait_until(lambda: not power.locks("sleep"), 5, what="the lock let go")
        self.assertIn("can ring only if the computer is awake", s.output())


if __name__ == "__main__":
    unittest.main()
