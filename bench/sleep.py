#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""How the program holds the computer's sleep, against the tests' stand-ins of GNOME's session
manager, Plasma's power manager and logind (a private system bus): nothing here suspends the
machine, and every wake timer ends with the run.

Usage: bench/sleep.py [--sleeps N] [--minutes M] [--build-dir DIR]

Figures:
- announced sleep → the sleep lock let go, for each way of setting the wake-up: a timer of the
  program's own (as root may), Plasma's power manager (the program without CAP_WAKE_ALARM), and
  alarm-wake (neither: a copy beside the program given cap_wake_alarm, as the package does);
- over an armed alarm of M minutes, the share of the armed time in which idle sleep was held off,
  sampled every 100 ms from the moment the inhibition was granted, with the alarm armed anew for
  another time half-way (OFF and ON in one step, as `alarm --alarm` does); and how long after the
  arming command was started the inhibition was granted, and after `alarm --off` it went.
Reports, never fails on a figure. Needs what scripts/dev test installs, and a built tree.
"""
import argparse
import datetime
import os
import shutil
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests"))

# Without CAP_WAKE_ALARM, as a user of Debian 12; with no capability at all for root, so that only
# a file capability (alarm-wake's) gives one.
WITHOUT_WAKE_ALARM = ["setpriv", "--bounding-set=-wake_alarm", "--inh-caps=-wake_alarm"]
WITHOUT_ANY = ["setpriv", "--securebits=+noroot,+noroot_locked"]


def far_time():
    """A time of day twelve hours away, so that the alarm never rings while it is measured."""
    return (datetime.datetime.now() + datetime.timedelta(hours=12)).strftime("%H:%M")


def running(desktop, services, wrapper=(), helper=False):
    from kit import BUILD_DIR
    from kit.program import AlarmRun
    from kit.services import PowerServices
    run = AlarmRun(desktop, sound="null")
    power = PowerServices(desktop, services)
    run.extra_environment = power.environment()
    if helper:
        wake = shutil.copy2(os.path.join(BUILD_DIR, "bin", "alarm-wake"), run.program_dir)
        subprocess.run(["setcap", "cap_wake_alarm=ep", wake], check=True)
    run.start(wrapper=wrapper)
    return run, power


def lock_latencies(desktop, sleeps, services, wrapper=(), helper=False):
    """ms from each announced sleep to the sleep lock let go."""
    run, power = running(desktop, services, wrapper, helper)
    try:
        arm(run)
        latencies = []
        for i in range(sleeps):
            lock = power.wait_for("the sleep lock", count=i + 1, service="logind", call="Inhibit", what="sleep")[i]
            power.announce(True)
            released = power.wait_for("the lock let go", released=lock["lock"])[0]
            announced = power.records(signal="PrepareForSleep", start=True)[i]
            latencies.append(released["ms"] - announced["ms"])
            power.announce(False)
        return latencies
    finally:
        run.close()
        power.close()


def arm(run, at=None):
    from kit.processes import wait_until
    wait_until(lambda: run.command("--alarm", at or far_time()).returncode == 0, 30, what="the alarm armed")


def idle_coverage(desktop, minutes):
    """Share of the armed time with idle sleep held off, and the inhibition's lag at either end."""
    from kit.processes import wait_until
    run, power = running(desktop, ("gnome", "logind"))
    try:
        armed_at = time.monotonic()
        arm(run)
        # The inhibition is asked for as the plan is armed and granted a moment later: that moment
        # is reported below, and the armed time sampled from then on.
        wait_until(lambda: power.held("gnome"), 10, what="the inhibition")
        samples, held = 0, 0
        end = time.monotonic() + minutes * 60
        rearmed = False
        while time.monotonic() < end:
            if not rearmed and time.monotonic() > end - minutes * 30:
                arm(run, (datetime.datetime.now() + datetime.timedelta(hours=11)).strftime("%H:%M"))
                rearmed = True
            samples += 1
            held += bool(power.held("gnome"))
            time.sleep(0.1)
        off_at = time.monotonic()
        run.command("--off")
        wait_until(lambda: not power.held("gnome"), 10, what="the inhibition let go")
        taken = power.records(service="gnome", call="Inhibit")
        let_go = power.records(service="gnome", call="Uninhibit")
        return {
            "held": 100 * held / samples, "samples": samples,
            "after arming": taken[0]["ms"] - armed_at * 1000,
            "after OFF": let_go[-1]["ms"] - off_at * 1000,
            # Armed anew: the new inhibition is held before the old one goes.
            "overlap when armed anew": let_go[0]["ms"] - taken[1]["ms"] if len(taken) > 1 else None,
            "inhibitions": len(taken),
        }
    finally:
        run.close()
        power.close()


def summary(values):
    return f"{statistics.median(values):.1f} ms (worst {max(values):.1f}, {len(values)} sleeps)"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sleeps", type=int, default=20)
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--build-dir", default=os.path.join(REPO, "build"))
    args = parser.parse_args()
    os.environ["ALARM_BUILD_DIR"] = os.path.abspath(args.build_dir)
    from kit.x import Desktop
    desktop = Desktop()
    print("announced sleep → sleep lock let go")
    print("  own timer:       ", summary(lock_latencies(desktop, args.sleeps, ("gnome", "logind"))))
    print("  Plasma:          ", summary(lock_latencies(desktop, args.sleeps, ("gnome", "plasma", "logind"),
                                                        WITHOUT_WAKE_ALARM)))
    print("  alarm-wake:      ", summary(lock_latencies(desktop, args.sleeps, ("gnome", "logind"), WITHOUT_ANY,
                                                        helper=True)))
    figures = idle_coverage(desktop, args.minutes)
    print(f"idle sleep held off over {args.minutes:g} armed minutes: {figures['held']:.2f} % of "
          f"{figures['samples']} samples; {figures['inhibitions']} inhibitions")
    print(f"  taken {figures['after arming']:.0f} ms after arming began, let go {figures['after OFF']:.0f} ms after "
          f"OFF began; armed anew, the new one was held {figures['overlap when armed anew']:.1f} ms before the "
          "old one went")


if __name__ == "__main__":
    main()
