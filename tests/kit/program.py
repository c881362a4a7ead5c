# SPDX-License-Identifier: MIT
"""The program on a desktop of the kit: its run, where its controls sit and how to read them as a
screen reader does, the recording stub that stands in for alarm-cmd, and the end-to-end tests' base,
each test a run of the built program on the process's accessible desktop."""
import datetime
import glob
import os
import shutil
import subprocess
import time
import unittest

from kit import BUILD_DIR
from kit.processes import KitError, end, spawn, stat_fields, temporary_directory, wait_until
from kit.sound import AlsaDevice
from kit.x import Compositor, Desktop

SCRIPT_BYTES = b"C:\\windows\\system32\\shutdown -s -f -t 00\r\n"
GREETING_TITLE = "Your computer time is :  "
WINDOW_SIZE = (193, 133)
# Client-area rectangles in pixels (x, y, width, height), in the order in which the window creates
# the controls, which is the order in which screen readers meet them. The hidden fields Text1 and
# Text2 hold state and are never shown.
CONTROL_RECTS = {
    "Details": (144, 56, 41, 25), "Shutdown": (56, 56, 81, 25), "AM": (136, 24, 49, 25),
    "Minutes": (72, 24, 57, 25), "Hour": (8, 24, 57, 25), "Alarmon": (8, 56, 41, 25),
    "Alarmoff": (8, 56, 41, 25), "Label6": (80, 88, 105, 21), "Label5": (7, 88, 69, 17),
    "Label4": (-8, 112, 209, 25), "Label3": (136, 8, 51, 15), "Label1": (16, 8, 35, 17),
    "Label2": (72, 8, 57, 17),
}
CONTROL_ORDER = list(CONTROL_RECTS)


def centre(control, dx=0, dy=0):
    x, y, width, height = CONTROL_RECTS[control]
    return x + width // 2 + dx, y + height // 2 + dy


# -- the recording stub ------------------------------------------------------------------------------

STUB_INTERPRETER = """#!/bin/sh
# Stands in for alarm-cmd: records its arguments, counted and NUL-separated, and does nothing else.
printf '%s\\0' "$#" "$@" >> '{record}'
"""


def install_stub(path, record):
    """Puts the recording stub where alarm-cmd would be."""
    if os.path.lexists(path):
        os.unlink(path)
    with open(path, "w") as stub:
        stub.write(STUB_INTERPRETER.replace("{record}", record))
    os.chmod(path, 0o755)


def read_record(record):
    """The argument lists with which the stub was started."""
    try:
        with open(record, "rb") as f:
            fields = f.read().split(b"\0")[:-1]
    except FileNotFoundError:
        return []
    calls = []
    while fields:
        count = int(fields.pop(0))
        calls.append([os.fsdecode(field) for field in fields[:count]])
        del fields[:count]
    return calls


def refuse_real_interpreter(program):
    """Stops a run whose program would find a real alarm-cmd beside it."""
    beside = os.path.join(os.path.dirname(program), "alarm-cmd")
    if os.path.lexists(beside):
        with open(beside, "rb") as f:
            if not f.read().startswith(STUB_INTERPRETER.encode()[:60]):
                raise SystemExit(f"refusing to run: {beside} is not the recording stub")


def faked_clock(start, program):
    """Variables that start the program's wall clock at start ("YYYY-MM-DD hh:mm:ss") and let it run."""
    preload = glob.glob("/usr/lib/*/faketime/libfaketime.so.1")
    if not preload:
        raise SystemExit("missing libfaketime.so.1 (Debian package faketime)")
    # Only the wall clock is faked; the program's timers keep the real monotonic clock.
    env = {"LD_PRELOAD": preload[0], "FAKETIME": "@" + start, "FAKETIME_DONT_FAKE_MONOTONIC": "1",
           "FAKETIME_DONT_RESET": "1"}
    if "libasan" in subprocess.run(["ldd", program], capture_output=True, text=True).stdout:
        # AddressSanitizer wants its runtime loaded first. Preloading it ahead would hand it to the
        # program's children as well, and a shell started with both libraries hangs at start.
        env["ASAN_OPTIONS"] = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    return env


# -- a run -------------------------------------------------------------------------------------------


def _text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return None


class _Started:
    """A process this run did not spawn itself (the program started by a command), ended and
    waited for like one it did. It leads a session and a process group of its own."""

    def __init__(self, pid):
        self.pid, self.returncode = pid, None

    def poll(self):
        if self.returncode is None and (stat_fields(self.pid) or ["Z"])[0] == "Z":
            self.returncode = 0
        return self.returncode

    def wait(self, timeout=None):
        try:
            return wait_until(lambda: self.poll() is not None, timeout or 3600, what=f"process {self.pid} to end")
        except KitError:
            raise subprocess.TimeoutExpired(str(self.pid), timeout) from None


class AlarmRun:
    """One run of the program on a desktop. By default the program is the build's, copied into a
    private directory beside the recording stub; an installed program brings its own stub. sound is
    "file", "none" or "null" (kit.sound.AlsaDevice) or a sound server a test started; with wayland,
    the program runs under a compositor of its own instead of the X server, and logs its requests."""

    def __init__(self, desktop, fake_time=None, sound="file", program=None, record=None, wayland=False,
                 folder="program", built=None):
        self.desktop, self.x, self.fake_time = desktop, desktop.x, fake_time
        self.tmp = temporary_directory("alarm-run-")
        self.runtime_dir = os.path.join(self.tmp, "runtime")
        os.makedirs(self.runtime_dir, mode=0o700)
        self.program, self.record = program, record
        if program is None:
            self.program_dir = os.path.join(self.tmp, folder)
            os.makedirs(self.program_dir)
            self.program = shutil.copy2(built or os.path.join(BUILD_DIR, "bin", "alarm"), self.program_dir)
            self.record = os.path.join(self.tmp, "alarm-cmd.calls")
            install_stub(os.path.join(self.program_dir, "alarm-cmd"), self.record)
        self.sound = AlsaDevice(self.tmp, sound) if isinstance(sound, str) else sound
        self.compositor = Compositor(self.runtime_dir, desktop.environment()) if wayland else None
        self.app = self.window = None
        # How its windows are found: by its pid, unless a test says otherwise.
        self.search = None
        self.log = os.path.join(self.tmp, "alarm.log")
        # Variables a test adds to the program's environment.
        self.extra_environment = {}

    def environment(self):
        env = self.desktop.environment()
        for name in ("QT_QPA_PLATFORM", "LC_ALL", "LANGUAGE", "LC_TIME"):
            env.pop(name, None)
        env.update({"LANG": "C.UTF-8", "XDG_RUNTIME_DIR": self.runtime_dir, **self.sound.environment()})
        if self.desktop.atspi:
            env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        if self.compositor:
            env.pop("DISPLAY", None)
            env.update({"QT_QPA_PLATFORM": "wayland", "WAYLAND_DISPLAY": self.compositor.socket,
                        "WAYLAND_DEBUG": "client"})
        if self.fake_time:
            env.update(faked_clock(self.fake_time, self.program))
            # Read from a file, which set_clock() rewrites: the clock can be set while it runs.
            env.pop("FAKETIME")
            env.update({"FAKETIME_TIMESTAMP_FILE": self.clock_file, "FAKETIME_CACHE_DURATION": "1"})
            self._write_clock("@" + self.fake_time)
        return {**env, **self.extra_environment}

    @property
    def clock_file(self):
        return os.path.join(self.tmp, "faketime")

    def _write_clock(self, setting):
        with open(self.clock_file + ".new", "w") as f:
            f.write(setting + "\n")
        os.replace(self.clock_file + ".new", self.clock_file)

    def set_clock(self, when):
        """Sets the running program's clock to when ("YYYY-MM-DD hh:mm:ss"), as a person setting the
        computer's clock would; it takes effect within a second. libfaketime counts a start time
        from the program's start, so the start is put back by the time the program has run."""
        ran = datetime.timedelta(seconds=time.monotonic() - self.started)
        start = datetime.datetime.strptime(when, "%Y-%m-%d %H:%M:%S") - ran
        self._write_clock("@" + start.strftime("%Y-%m-%d %H:%M:%S"))

    def start(self, environment=None, wrapper=()):
        """Starts the program, through wrapper (a command that execs it) if one is given."""
        refuse_real_interpreter(self.program)
        self.started = time.monotonic()  # the faked clock starts after this, so never runs ahead of it
        with open(self.log, "wb") as log:
            self.app = spawn([*wrapper, self.program], env=environment or self.environment(), stdout=log,
                             stderr=subprocess.STDOUT)
        return self.app

    def command(self, *arguments, timeout=30):
        """Runs the program once more with these arguments in the run's session, as a script or a
        launcher would; returns the finished process, its output as text."""
        refuse_real_interpreter(self.program)
        return subprocess.run([self.program, *arguments], env=self.environment(), capture_output=True, text=True,
                              timeout=timeout)

    def status(self):
        """What the running program says it does (--status): idle, alarm at ..., ringing, ..."""
        return self.command("--status").stdout.strip()

    def instances(self):
        """Pids of the processes that run this run's program, however they were started."""
        program = os.path.realpath(self.program)
        found = []
        for entry in filter(str.isdigit, os.listdir("/proc")):
            try:
                if os.readlink(f"/proc/{entry}/exe") == program:
                    found.append(int(entry))
            except OSError:
                pass
        return found

    def adopt(self):
        """Takes the program that a command started in the background as this run's own."""
        pids = wait_until(self.instances, 10, what="the program started in the background")
        self.started = time.monotonic()
        self.app = _Started(pids[0])
        return self.app

    def close(self):
        if self.app:
            end(self.app)
        # Whatever a command started in the background ends with the run as well.
        for pid in self.instances():
            end(_Started(pid))
        if self.compositor:
            end(self.compositor.process)
        output = self.output() if os.path.exists(self.log) else ""
        shutil.rmtree(self.tmp, ignore_errors=True)
        # A sanitizer's report fails the test, whatever the test itself saw of the program.
        for sign in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"):
            if sign in output:
                raise KitError("the program's output holds a sanitizer report:\n" + output[output.index(sign):][:4000])

    def output(self):
        with open(self.log, errors="replace") as f:
            return f.read()

    def interpreter_starts(self):
        return read_record(self.record)

    # -- windows -------------------------------------------------------------------------------------
    def windows(self):
        return self.x.windows(*(self.search or ("--pid", str(self.app.pid))))

    def wait_for_window(self, predicate, timeout=20, what="window"):
        def found():
            # A program that has ended shows nothing more.
            if self.app.poll() is not None:
                raise KitError(f"no {what}")
            return next((wid for wid, title in self.windows().items() if predicate(wid, title)), None)
        try:
            return wait_until(found, timeout, what=what)
        except KitError as error:
            state = "running" if self.app.poll() is None else f"exited with {self.app.returncode}"
            raise KitError(f"{error}; the program is {state}; windows:\n{self.x.run('xwininfo', '-root', '-children')}"
                           f"\noutput:\n{self.output()[-3000:]}\n{self.x.screenshot('alarm-e2e')}") from None

    def is_main_window(self, wid, title):
        # Tooltips and list popups are windows of the program too.
        return not title.startswith(GREETING_TITLE) and self.x.geometry(wid)[2:] == WINDOW_SIZE

    def dismiss_greeting(self, timeout=20):
        box = self.wait_for_window(lambda wid, title: title.startswith(GREETING_TITLE), timeout, "greeting box")
        self.x.xdotool("windowfocus", "--sync", box, "key", "Return")
        wait_until(lambda: box not in self.windows(), 10, what="greeting box to close")
        self.window = self.wait_for_window(self.is_main_window, timeout, "main window")
        # The keyboard goes to the window, wherever the pointer is; without a window manager
        # nothing else would give it the focus.
        self.x.xdotool("windowfocus", "--sync", self.window)
        return self.window

    def title(self):
        return self.x.xdotool("getwindowname", self.window)

    def close_window(self):
        self.x.close_window(self.window)

    # -- a person at the controls --------------------------------------------------------------------
    def point_at(self, control, dx=0, dy=0):
        self.x.xdotool("mousemove", "--window", self.window, *map(str, centre(control, dx, dy)))

    def click(self, control):
        self.point_at(control)
        self.x.xdotool("click", "1")

    def keys(self, *names):
        self.x.xdotool("key", "--delay", "30", *names)

    def pick_with_keys(self, hour_steps, minute_steps, am_pm_steps):
        """Tabs from "?", where the window starts, through the lists, typing one character per step; from
        nothing selected the first step selects the first entry."""
        for name, steps in (("Hour", hour_steps), ("Minutes", minute_steps), ("AM", am_pm_steps)):
            self.keys("Tab")
            if self.desktop.atspi:
                # With a screen reader listening, Qt holds each key until the accessibility registry
                # has seen it, and then hands it to the control that had the focus when it came.
                self.wait_for_control(name, lambda c: c["focused"], what=f"{name} to take the focus")
            self.keys(*["x"] * steps)

    def pick_with_mouse(self, list_name, entry):
        """Opens a list with a click and clicks the entry in its popup."""
        # The popup opens over the box; pointing low in the box keeps the pointer clear of the popup's
        # top edge, where a held button would scroll the list.
        self.point_at(list_name, dy=8)
        self.x.xdotool("click", "1")
        self.wait_for_control(list_name, lambda c: c["expanded"], what=f"the {list_name} popup")
        box = wait_until(lambda: self.list_entry_extents(list_name, entry), 5,
                         what=f"entry {entry} of {list_name} on screen")
        # Qt reports the items wider than the popup, which is as wide as the list: aim at the list's middle.
        x = self.x.geometry(self.window)[0] + centre(list_name)[0]
        self.x.xdotool("mousemove", str(x), str(box.y + box.height // 2), "click", "1")
        self.wait_for_control(list_name, lambda c: not c["expanded"], what="the popup to close")

    def arm(self, plan, hour_steps, minute_steps, am_pm_steps):
        """Picks a time with the keys and presses plan, "Alarmon" or "Shutdown", once it takes a click."""
        self.pick_with_keys(hour_steps, minute_steps, am_pm_steps)
        self.wait_for_control(plan, lambda c: c["enabled"])
        self.click(plan)

    # -- reading the windows as a screen reader does -------------------------------------------------
    def _frames(self):
        for app in self.desktop.atspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.app.pid:
                app.clearCache()
                yield from (frame for frame in app if frame is not None)

    def controls(self):
        """Name, role, enabled, visible, showing and description (tooltip) of each control."""
        atspi = self.desktop.atspi
        for frame in self._frames():
            if frame.childCount == len(CONTROL_ORDER):
                result = {}
                for name, child in zip(CONTROL_ORDER, frame):
                    state = child.getState()
                    result[name] = {
                        "name": child.name, "role": child.getRoleName(), "description": child.description,
                        "enabled": state.contains(atspi.STATE_ENABLED),
                        "visible": state.contains(atspi.STATE_VISIBLE),
                        "focused": state.contains(atspi.STATE_FOCUSED),
                        "expanded": state.contains(atspi.STATE_EXPANDED),
                        # A list's picked entry, as its text.
                        "value": _text_of(child),
                        "node": child,
                    }
                return result
        raise KitError("the window is not in the accessibility tree")

    def control(self, name):
        return self.controls()[name]

    def wait_for_control(self, name, predicate, timeout=5, what=None):
        """Waits until predicate holds for the control, also while the window is not yet in the
        accessibility tree."""
        def holds():
            try:
                return predicate(self.control(name))
            except KitError:
                return False
        return wait_until(holds, timeout, what=what or name)

    def tooltip_shown(self):
        """The text of the tooltip on screen, or None."""
        for frame in self._frames():
            if frame.getRoleName() == "tool tip" and frame.getState().contains(self.desktop.atspi.STATE_SHOWING):
                return frame.name
        return None

    def box_texts(self):
        """Title, texts and buttons of the program's open message box, if one is open."""
        # A box is a window of its own, or sits in a frame of the program's own drawing, which then
        # carries the title.
        for top, window in ((top, window) for top in self._frames() for window in [top, *top]):
            if window is not None and window.getRoleName() == "alert":
                found = [(node.getRoleName(), node.name) for node in _descendants(window)]
                return (top.name, [name for role, name in found if role == "label" and name],
                        [name for role, name in found if role == "push button"])
        return None

    def list_entry_extents(self, list_name, entry):
        """Screen extents of a list entry while it shows in the open popup, else None."""
        atspi = self.desktop.atspi
        for item in self.control(list_name)["node"][0]:
            if item.name == entry and item.getState().contains(atspi.STATE_SHOWING):
                box = item.queryComponent().getExtents(atspi.DESKTOP_COORDS)
                if box.width > 0:
                    return box
        return None


def _descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from _descendants(child)


# -- the end-to-end tests' base ----------------------------------------------------------------------


def run_on_desktop(fake_time=None, sound="file", wayland=False, folder="program"):
    """A run of the program on the process's accessible desktop, with its clock set by libfaketime
    and its sound captured, or under a Wayland compositor of its own."""
    return AlarmRun(Desktop.shared(), fake_time, sound, wayland=wayland, folder=folder)


class SessionTest(unittest.TestCase):
    """Each test runs the real program once (see run_on_desktop)."""
    fake_time = None
    sound = "file"
    wayland = False
    folder = "program"  # the name of the program's directory

    def setUp(self):
        self.session = run_on_desktop(self.fake_time, self.sound, self.wayland, self.folder)
        self.addCleanup(self.session.close)

    def start(self):
        """Starts the program and closes its greeting; returns the main window."""
        self.session.start()
        return self.session.dismiss_greeting()
