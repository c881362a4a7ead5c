#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Start-up time, memory and CPU of ALARM under Xvfb, optionally beside gnome-clocks.

Usage: bench/footprint.py [--runs N] [--seconds S] [--build-dir DIR] [--peer] [--accessibility]

Arms only the alarm plan, never the shut-down plan. The build's program runs copied into a
directory of its own beside the kit's recording stub, and with ALARM_CMD_TEST_NEVER_ACT=1. Installs nothing: a Debian
package it needs and lacks is named, and it stops. Exits non-zero only when a figure could not be
measured, never because one misses its aim.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests"))
# The kit ends whatever is started here, however the run ends.
from kit import packages, processes, x  # noqa: E402
from kit.program import CONTROL_RECTS, GREETING_TITLE, WINDOW_SIZE, AlarmRun  # noqa: E402

SETTLE_S = 5.0
MAP_TIMEOUT_S = 30.0

AIM_MAP_MS = 150.0
AIM_RSS_MIB = 40.0
AIM_IDLE_CPU = 0.5
AIM_ARMED_CPU = 0.2

CLK_TCK = os.sysconf("SC_CLK_TCK")


class MeasurementError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Build


def ensure_built(build_dir):
    program = os.path.join(build_dir, "bin", "alarm")
    if not os.path.exists(program):
        print(f"Building ALARM in {build_dir}", file=sys.stderr)
        subprocess.run(["cmake", "-S", REPO, "-B", build_dir], check=True, stdout=sys.stderr)
        subprocess.run(["cmake", "--build", build_dir, "-j", str(os.cpu_count() or 2), "--target", "alarm"],
                       check=True, stdout=sys.stderr)
    return program


# ---------------------------------------------------------------------------------------------
# /proc


def cpu_ticks(pid):
    fields = processes.stat_fields(pid)
    if fields is None:
        raise MeasurementError("the program ended")
    return int(fields[11]) + int(fields[12])  # utime, stime: all threads, dead ones included


def memory_mib(pid):
    def kib(path, key):
        with open(path) as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
        raise MeasurementError(f"no {key} in {path}")

    return kib(f"/proc/{pid}/status", "VmRSS") / 1024, kib(f"/proc/{pid}/smaps_rollup", "Pss") / 1024


def run_times_ns(pid):
    """The scheduler's run time of each live thread: finer than ticks, gone when a thread ends."""
    times = {}
    for thread in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{thread}/schedstat") as f:
                times[thread] = int(f.read().split()[0])
        except (OSError, ValueError):
            pass
    return times


def cpu_percent(process, seconds):
    """utime+stime, and the threads' run time, over the window, as % of one core."""
    ticks0, ns0, t0 = cpu_ticks(process.pid), run_times_ns(process.pid), time.monotonic()
    time.sleep(seconds)
    ticks1, ns1, t1 = cpu_ticks(process.pid), run_times_ns(process.pid), time.monotonic()
    if process.poll() is not None:
        raise MeasurementError("the program ended during the CPU window")
    # Threads alive at the end only; one that ended meanwhile would otherwise count negative.
    run_ns = sum(ns - ns0.get(thread, 0) for thread, ns in ns1.items())
    return (ticks1 - ticks0) / CLK_TCK / (t1 - t0) * 100, run_ns / 1e9 / (t1 - t0) * 100


# ---------------------------------------------------------------------------------------------
# Driving the windows


def pointer_away(x):
    # The windows sit centred on the screen; a pointer in the corner hovers over nothing.
    x.xdotool("mousemove", "0", "0")


def launch(start, watcher, what):
    """Calls start() and times it to the first top-level window mapped."""
    watcher.drain()
    t0 = time.monotonic()
    process = start()
    mapped = watcher.wait_for_map(MAP_TIMEOUT_S)
    if mapped is None:
        raise MeasurementError(f"no window of {what} was mapped within {MAP_TIMEOUT_S:.0f} s")
    stamp, wid = mapped
    return process, (stamp - t0) * 1000, watcher.window(wid, stamp)


def target_is_far():
    """00 (AM) or 00 PM, whichever is further from now, so the alarm never rings mid-measure."""
    now = time.localtime()
    minutes = now.tm_hour * 60 + now.tm_min
    to_midnight = (24 * 60 - minutes) % (24 * 60)
    to_noon = (12 * 60 - minutes) % (24 * 60)
    return "PM" if to_noon > to_midnight else "AM"


def session_environment(desktop, bus_address):
    # Settings and data of the peer go to the run's own directories, never the user's.
    return {"DBUS_SESSION_BUS_ADDRESS": bus_address, "QT_QPA_PLATFORM": "xcb", "GDK_BACKEND": "x11",
            "XDG_CONFIG_HOME": os.path.join(desktop.tmp, "config"),
            "XDG_DATA_HOME": os.path.join(desktop.tmp, "data")}


def measure_alarm(program, args, desktop, watcher):
    bus, address = desktop.new_bus()
    # Speech and tones go to a device that discards them: no sound card is needed or touched.
    # A copy of the build's program beside the recording stub, as in the tests.
    alarm = AlarmRun(desktop, sound="null", built=program)
    env = {**alarm.environment(), **session_environment(desktop, address)}
    if args.accessibility:
        # Qt joins an accessibility bus only if one is up when it starts, as under a screen reader.
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply", "/org/a11y/bus",
                        "org.a11y.Bus.GetAddress"], env=env, check=True, stdout=subprocess.DEVNULL)
    result = {}
    pointer_away(desktop.x)
    try:
        process, result["map_ms"], box = launch(lambda: alarm.start(env), watcher, "ALARM")
        if not box.title.startswith(GREETING_TITLE):
            raise MeasurementError(f"the first window is {box.title!r}, not the greeting box")
        dismissed_at = time.monotonic()
        desktop.x.xdotool("windowfocus", "--sync", str(box.id), "key", "Return")
        main = watcher.wait_for_map(MAP_TIMEOUT_S)
        if main is None:
            raise MeasurementError("the main window did not appear after the box was dismissed")
        window = watcher.window(main[1], main[0])
        result["main_ms"] = (main[0] - dismissed_at) * 1000
        if (window.width, window.height) != WINDOW_SIZE:
            raise MeasurementError(f"the main window is {window.width}x{window.height}, not "
                                   f"{WINDOW_SIZE[0]}x{WINDOW_SIZE[1]}")
        alarm.window = str(window.id)

        time.sleep(max(0.0, SETTLE_S - (time.monotonic() - window.mapped_at)))
        result["rss"], result["pss"] = memory_mib(process.pid)
        result["idle_cpu"], result["idle_run"] = cpu_percent(process, args.seconds)

        # Pick 00:00 in the half of the day that is far away, then arm the alarm.
        ampm_steps = 1 if target_is_far() == "AM" else 2
        desktop.x.xdotool("windowfocus", "--sync", alarm.window)
        alarm.pick_with_keys(1, 1, ampm_steps)
        on_button = CONTROL_RECTS["Alarmon"]
        before = watcher.pixels(window.id, on_button)
        alarm.click("Alarmon")
        processes.wait_until(lambda: watcher.pixels(window.id, on_button) != before, 5,
                       what="ON to turn into OFF on screen")
        pointer_away(desktop.x)
        time.sleep(1.0)  # past the click's own repaint and a hint that may have started to show
        result["armed_cpu"], result["armed_run"] = cpu_percent(process, args.seconds)
        result["target"] = "00:00 " + ("AM" if ampm_steps == 1 else "PM")
    except (MeasurementError, processes.KitError) as error:
        raise MeasurementError(f"{error}\noutput of ALARM:\n{alarm.output()[-2000:]}") from None
    finally:
        alarm.close()
        processes.end(bus)
    return result


def measure_peer(args, desktop, watcher):
    bus, address = desktop.new_bus()
    env = {**desktop.environment(), **session_environment(desktop, address)}
    result = {}
    pointer_away(desktop.x)
    start = lambda: processes.spawn(["gnome-clocks"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    process, result["map_ms"], window = launch(start, watcher, "gnome-clocks")
    try:
        time.sleep(max(0.0, SETTLE_S - (time.monotonic() - window.mapped_at)))
        if process.poll() is not None:
            raise MeasurementError("gnome-clocks ended")
        result["rss"], result["pss"] = memory_mib(process.pid)
        result["idle_cpu"], result["idle_run"] = cpu_percent(process, args.seconds)
    finally:
        processes.end(process)
        processes.end(bus)
    return result


# ---------------------------------------------------------------------------------------------
# Report


def summary(values, digits):
    if not values:
        return "n/a"
    fmt = f"{{:.{digits}f}}"
    median = fmt.format(statistics.median(values))
    if len(values) == 1:
        return median
    return f"{median} ({fmt.format(min(values))}–{fmt.format(max(values))})"


ROWS = [
    # key, label, digits, aim text, aim test
    ("map_ms", "start → first window mapped, ms", 1, f"< {AIM_MAP_MS:.0f}", lambda v: v < AIM_MAP_MS),
    ("main_ms", "Return → main window mapped, ms (a)", 1, "", None),
    ("rss", "VmRSS after 5 s, MiB", 1, f"< {AIM_RSS_MIB:.0f}", lambda v: v < AIM_RSS_MIB),
    ("pss", "PSS after 5 s, MiB", 1, "", None),
    ("idle_cpu", "CPU idle, % of one core", 3, f"< {AIM_IDLE_CPU}", lambda v: v < AIM_IDLE_CPU),
    ("armed_cpu", "CPU armed, % of one core", 3, f"< {AIM_ARMED_CPU}", lambda v: v < AIM_ARMED_CPU),
    ("idle_run", "run time idle, % of one core (b)", 3, "", None),
    ("armed_run", "run time armed, % of one core (b)", 3, "", None),
]


def print_table(alarm, peer):
    headers = ["", "ALARM median (range)", "aim", ""]
    if peer is not None:
        headers += ["gnome-clocks median (range)", "ALARM/peer"]
    rows = []
    for key, label, digits, aim, meets in ROWS:
        values = [r[key] for r in alarm if key in r]
        row = [label, summary(values, digits), aim]
        # Judged on the figure as printed, so a printed 0.200 never passes an aim of < 0.2.
        judged = round(statistics.median(values), digits) if values else None
        row.append("" if meets is None or judged is None else ("met" if meets(judged) else "missed"))
        if peer is not None:
            peer_values = [r[key] for r in peer if key in r]
            row.append(summary(peer_values, digits))
            # A ratio to a figure that prints as zero says nothing.
            if values and peer_values and round(statistics.median(peer_values), digits) > 0:
                row.append(f"{statistics.median(values) / statistics.median(peer_values):.2f}")
            else:
                row.append("n/a")
        rows.append(row)
    widths = [max(len(str(r[i])) for r in rows + [headers]) for i in range(len(headers))]
    line = lambda cells: "| " + " | ".join(str(c).ljust(w) for c, w in zip(cells, widths)) + " |"
    print(line(headers))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in rows:
        print(line(row))


def main():
    parser = argparse.ArgumentParser(description="ALARM's start-up time, memory and CPU under Xvfb.")
    parser.add_argument("--runs", type=int, default=3, help="launches of each program (default 3)")
    parser.add_argument("--seconds", type=float, default=60.0, help="length of each CPU window (default 60)")
    parser.add_argument("--build-dir", default=os.path.join(REPO, "build-bench"),
                        help="where ALARM is built (default build-bench; built there if missing)")
    parser.add_argument("--peer", action="store_true", help="measure gnome-clocks the same way, for ratios")
    parser.add_argument("--accessibility", action="store_true",
                        help="run ALARM with its accessibility bridge on, as under a screen reader")
    args = parser.parse_args()
    if args.runs < 1 or args.seconds <= 0:
        parser.error("--runs and --seconds must be positive")

    # Nothing is installed from here: what is missing is said, and the benchmark stops.
    missing = packages.missing_packages(["xvfb", "xdotool", "python3-xlib", "dbus-daemon"]
                                        + (["dbus-bin", "at-spi2-core"] if args.accessibility else [])
                                        + (["gnome-clocks"] if args.peer else []))
    if missing:
        print(f"missing Debian packages: {' '.join(missing)} (apt-get install them first)", file=sys.stderr)
        return 1
    program = ensure_built(os.path.abspath(args.build_dir))

    try:
        # No accessibility client here: it would join every program's bus and change their memory.
        desktop = x.Desktop(size=(1280, 1024), session_bus=False)
        watcher = x.XWatcher(desktop.display)
        alarm, peer = [], ([] if args.peer else None)
        for run in range(1, args.runs + 1):
            print(f"run {run}/{args.runs}: ALARM", file=sys.stderr, flush=True)
            alarm.append(measure_alarm(program, args, desktop, watcher))
            print("  " + format_run(alarm[-1]), file=sys.stderr, flush=True)
            if args.peer:
                print(f"run {run}/{args.runs}: gnome-clocks", file=sys.stderr, flush=True)
                peer.append(measure_peer(args, desktop, watcher))
                print("  " + format_run(peer[-1]), file=sys.stderr, flush=True)
        watcher.close()
    except (MeasurementError, processes.KitError, subprocess.CalledProcessError) as error:
        print(f"measurement failed: {error}", file=sys.stderr)
        return 1

    print()
    print(f"ALARM footprint under Xvfb: {args.runs} run(s), CPU windows of {args.seconds:g} s, "
          f"{os.cpu_count()} cores, {time.strftime('%Y-%m-%d %H:%M')}"
          + (", accessibility bridge on" if args.accessibility else ""))
    print(f"program: {program}; armed for {alarm[0]['target']}, which is not reached while measuring")
    print()
    print_table(alarm, peer)
    print()
    print("Times are from just before the program is spawned to its window's MapNotify, stamped when read "
          "from an X connection (about 1 ms resolution); mapped is not yet painted.")
    print(f"CPU is utime+stime in {1000 // CLK_TCK} ms ticks: resolution "
          f"{100 / CLK_TCK / args.seconds:.3f} % of one core over {args.seconds:g} s.")
    print("(a) ALARM speaks the greeting before it shows the main window. Here the speech goes into a "
          "null PCM, so this is synthesis only; with a sound card the window waits until the speech "
          "has been heard.")
    print("(b) The same windows from the threads' scheduler run time (/proc/PID/task/*/schedstat, "
          "nanoseconds), as a check on the tick-grained figures; threads that end meanwhile are missed.")
    if args.peer:
        print("gnome-clocks: its first top-level window; it has no armed step. Services it starts over "
              "D-Bus (e.g. dconf) are not counted.")
    return 0


def format_run(r):
    parts = [f"{k}={r[k]:.3f}" for k, *_ in ROWS if k in r]
    return " ".join(parts)


if __name__ == "__main__":
    sys.exit(main())
