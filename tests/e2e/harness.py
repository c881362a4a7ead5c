# SPDX-License-Identifier: MIT
"""Runs the real alarm program as a person meets it: its own X server, session bus and sound
device, a clock set by libfaketime, and a private program directory in which alarm-cmd is a stub
that only records how it was started. Nothing here can reach a real power-off: the stub stands
where the interpreter would be, and ALARM_CMD_TEST_NEVER_ACT is set for every process as well."""
import atexit
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest

BUILD_DIR = os.environ.get("ALARM_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../build"))
FAKETIME_LIB = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
SCRIPT_BYTES = b"C:\\windows\\system32\\shutdown -s -f -t 00\r\n"

# The window's controls as screen readers meet them: in the order in which it creates them, without
# the hidden fields Text1 and Text2, which hold state and are never shown.
CONTROL_ORDER = ["Details", "Shutdown", "AM", "Minutes", "Hour", "Alarmon", "Alarmoff",
                 "Label6", "Label5", "Label4", "Label3", "Label1", "Label2"]
# Client-area rectangles in pixels, for pointing at controls.
CONTROL_RECTS = {
    "Details": (144, 56, 41, 25), "Shutdown": (56, 56, 81, 25), "AM": (136, 24, 49, 25),
    "Minutes": (72, 24, 57, 25), "Hour": (8, 24, 57, 25), "Alarmon": (8, 56, 41, 25),
    "Alarmoff": (8, 56, 41, 25), "Label6": (80, 88, 105, 21), "Label5": (7, 88, 69, 17),
    "Label4": (-8, 112, 209, 25), "Label3": (136, 8, 51, 15), "Label1": (16, 8, 35, 17),
    "Label2": (72, 8, 57, 17),
}

STUB_INTERPRETER = """#!/bin/sh
# Records one start: the number of arguments, then each on its own line.
{ echo "$#"; for a in "$@"; do echo "$a"; done; } >> "$(dirname "$0")/alarm-cmd.log"
"""

ALSA_CAPTURE = """pcm.!default {
    type file
    slave.pcm { type null }
    file "%s"
    format "wav"
}
ctl.!default { type hw card 0 }
"""

NO_SOUND_CARD = """pcm.!default { type hw card 29 }
ctl.!default { type hw card 29 }
"""


def wait_until(condition, timeout, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=False).stdout.strip()


def spawn(processes, command, **kwargs):
    process = subprocess.Popen(command, start_new_session=True, **kwargs)
    processes.append(process)
    return process


def kill_all(processes):
    for process in reversed(processes):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(process.pid, sig)
            except (ProcessLookupError, PermissionError):
                pass
            try:
                process.wait(2)
                break
            except subprocess.TimeoutExpired:
                pass


class Desktop:
    """An X server and a session bus with its accessibility bus, shared by the tests of one run:
    the accessibility library binds to the first bus it meets for the life of the process."""
    _shared = None

    @classmethod
    def shared(cls):
        if cls._shared is None:
            cls._shared = Desktop()
            atexit.register(cls._shared.close)
        return cls._shared

    def __init__(self):
        self.processes = []
        self.display = self._start_x_server()
        # The accessibility bus that the session bus starts puts its socket in the runtime
        # directory, which without one is the same path for every desktop of the user: two test
        # runs at once would each find the other's programs, or none. A directory of its own
        # keeps this desktop's readers and programs together.
        self.runtime_dir = tempfile.mkdtemp(prefix="alarm-e2e-desktop-")
        bus = spawn(self.processes, ["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                    env=dict(os.environ, XDG_RUNTIME_DIR=self.runtime_dir))
        self.bus_address = bus.stdout.readline().strip()
        os.environ["DISPLAY"] = self.display
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        os.environ["ALARM_CMD_TEST_NEVER_ACT"] = "1"
        # The accessibility bus must be up before the program starts, or Qt will not join it.
        import pyatspi
        self.atspi = pyatspi
        pyatspi.Registry.getDesktop(0)

    def _start_x_server(self):
        # A display of our own: the server's lock file claims the number, and a server that finds
        # the number taken exits at once, so the next one is tried. Without -noreset the server
        # resets when its last client leaves, and a program started at that moment cannot connect.
        for number in range(70, 170):
            read_fd, write_fd = os.pipe()
            server = subprocess.Popen(["Xvfb", f":{number}", "-displayfd", str(write_fd), "-screen", "0",
                                       "1024x768x24", "-nolisten", "tcp", "-noreset"], pass_fds=(write_fd,),
                                      start_new_session=True, stderr=subprocess.DEVNULL)
            os.close(write_fd)
            with os.fdopen(read_fd) as pipe:
                ready = pipe.readline().strip()
            if ready == str(number):
                self.processes.append(server)
                return f":{number}"
            server.wait()
        raise AssertionError("no free X display")

    def close(self):
        # The bus starts the accessibility services in a session of their own; they go with it.
        subprocess.run(["pkill", "-KILL", "-f", "at-spi.*" + self.bus_address.split(",")[0]], check=False)
        kill_all(self.processes)
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


class Compositor:
    """A Wayland compositor without a screen (weston's headless backend), for a program run with
    Qt's Wayland plugin. It belongs to the processes it is given, and dies with the test process."""

    def __init__(self, processes, directory):
        self.socket = os.path.join(directory, "wayland-0")
        self.log = os.path.join(directory, "weston.log")
        # weston makes its socket in XDG_RUNTIME_DIR; clients find it by its absolute path.
        env = dict(os.environ, XDG_RUNTIME_DIR=directory)
        env.pop("DISPLAY", None)
        with open(self.log, "w") as log:
            spawn(processes, ["weston", "--backend=headless-backend.so", "--socket=wayland-0",
                              "--width=1024", "--height=768", "--idle-time=0"],
                  env=env, stdout=log, stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        wait_until(lambda: os.path.exists(self.socket), 20, what="weston's socket")


def die_with_parent():
    """In a child before it runs: killed when the test process ends, however it ends."""
    import ctypes
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


class Session:
    """One X server, one session bus and one run of the program in a temporary program directory;
    with wayland, the program runs under a compositor of its own instead of the X server."""

    def __init__(self, fake_time=None, sound=True, wayland=False):
        self.tmp = tempfile.mkdtemp(prefix="alarm-e2e-")
        self.program_dir = os.path.join(self.tmp, "program")
        self.runtime_dir = os.path.join(self.tmp, "runtime")
        os.makedirs(self.program_dir)
        os.makedirs(self.runtime_dir, mode=0o700)
        shutil.copy2(os.path.join(BUILD_DIR, "src", "alarm"), self.program_dir)
        stub = os.path.join(self.program_dir, "alarm-cmd")
        with open(stub, "w") as f:
            f.write(STUB_INTERPRETER)
        os.chmod(stub, 0o755)
        self.wav = os.path.join(self.tmp, "sound.wav")
        self.alsa_conf = os.path.join(self.tmp, "asound.conf")
        # sound: True for a WAV file through ALSA, False for no device, or a sound server object
        # (tests/soundserver.py) whose environment reaches it.
        self.sound_server = sound if hasattr(sound, "environment") else None
        with open(self.alsa_conf, "w") as f:
            f.write(ALSA_CAPTURE % self.wav if sound is True else NO_SOUND_CARD)
        self.fake_time = fake_time
        self.processes = []
        self.app = None
        self.desktop = Desktop.shared()
        self.atspi = self.desktop.atspi
        self.compositor = Compositor(self.processes, self.runtime_dir) if wayland else None

    def environment(self):
        env = dict(os.environ)
        for name in ("QT_QPA_PLATFORM", "LC_ALL", "LANGUAGE", "LC_TIME"):
            env.pop(name, None)
        env.update({
            "LANG": "C.UTF-8",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "ALSA_CONFIG_PATH": self.alsa_conf,
            # No sound server, so the sound goes to ALSA's device above.
            "PULSE_SERVER": "unix:" + os.path.join(self.tmp, "no-sound-server"),
            "XDG_RUNTIME_DIR": self.runtime_dir,
            "ALARM_CMD_TEST_NEVER_ACT": "1",
        })
        if self.sound_server:
            del env["ALSA_CONFIG_PATH"]
            env.update(self.sound_server.environment())
        if self.compositor:
            del env["DISPLAY"]
            env.update({"QT_QPA_PLATFORM": "wayland", "WAYLAND_DISPLAY": self.compositor.socket,
                        "WAYLAND_DEBUG": "client"})
        if self.fake_time:
            # An absolute start that then runs on; Qt's timers keep the real monotonic clock.
            env.update({"LD_PRELOAD": FAKETIME_LIB, "FAKETIME": "@" + self.fake_time,
                        "DONT_FAKE_MONOTONIC": "1", "FAKETIME_DONT_RESET": "1"})
        return env

    def close(self):
        kill_all(self.processes)
        if self.app:
            self.log.close()
            # libfaketime leaves its shared clock behind when its process is killed.
            for name in (f"faketime_shm_{self.app.pid}", f"sem.faketime_sem_{self.app.pid}"):
                if os.path.exists(f"/dev/shm/{name}"):
                    os.remove(f"/dev/shm/{name}")
        shutil.rmtree(self.tmp, ignore_errors=True)

    # -- the program -----------------------------------------------------------------------------
    def start(self):
        self.started_at = time.monotonic()
        self.log = open(os.path.join(self.tmp, "alarm.log"), "w")
        self.app = spawn(self.processes, [os.path.join(self.program_dir, "alarm")], env=self.environment(),
                         stdout=self.log, stderr=subprocess.STDOUT)
        return self.app

    def windows(self):
        ids = run("xdotool", "search", "--onlyvisible", "--pid", str(self.app.pid)).split()
        return {wid: run("xdotool", "getwindowname", wid) for wid in ids}

    def wait_for_window(self, predicate, timeout=20, what="window"):
        def found():
            for wid, title in self.windows().items():
                if predicate(title):
                    return wid
            return None
        try:
            return wait_until(found, timeout, what=what)
        except AssertionError as error:
            state = "running" if self.app.poll() is None else f"exited with {self.app.returncode}"
            windows = run("xwininfo", "-root", "-children")
            self.log.flush()
            with open(self.log.name) as f:
                output = f.read()[-3000:]
            shot = os.path.join(os.environ.get("ALARM_E2E_SHOTS", tempfile.gettempdir()),
                                f"alarm-e2e-{os.getpid()}-{int(time.time())}.png")
            if shutil.which("import"):
                run("import", "-window", "root", shot)
                output += f"\nscreenshot: {shot}"
            raise AssertionError(f"{error}; the program is {state}; windows:\n{windows}\noutput:\n{output}") from None

    def dismiss_greeting(self):
        box = self.wait_for_window(lambda t: t.startswith("Your computer time is :  "), what="greeting box")
        run("xdotool", "key", "Return")
        wait_until(lambda: box not in self.windows(), 10, what="greeting box to close")
        self.window = self.wait_for_window(lambda t: True, what="main window")
        return self.window

    def geometry(self, wid):
        info = run("xwininfo", "-id", wid)
        fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
        return tuple(int(fields[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y",
                                                "Width", "Height"))

    def title(self):
        return run("xdotool", "getwindowname", self.window)

    # -- a person at the controls ------------------------------------------------------------------
    def point_at(self, control, dx=0, dy=0):
        x, y, w, h = CONTROL_RECTS[control]
        run("xdotool", "mousemove", "--window", self.window, str(x + w // 2 + dx), str(y + h // 2 + dy))

    def click(self, control):
        self.point_at(control)
        run("xdotool", "click", "1")

    def keys(self, *names):
        run("xdotool", "key", "--delay", "30", *names)

    # -- reading the window through its accessibility tree -----------------------------------------
    def controls(self):
        """Name, role, enabled, visible and description (tooltip) of each control."""
        desktop = self.atspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            app.clearCache() if hasattr(app, "clearCache") else None
            for frame in app:
                if frame is not None and frame.childCount == len(CONTROL_ORDER):
                    result = {}
                    for name, child in zip(CONTROL_ORDER, frame):
                        state = child.getState()
                        result[name] = {
                            "name": child.name, "role": child.getRoleName(),
                            "enabled": state.contains(self.atspi.STATE_ENABLED),
                            "visible": state.contains(self.atspi.STATE_VISIBLE),
                            "description": child.description,
                        }
                    return result
        raise AssertionError("the window is not in the accessibility tree")

    def box_texts(self):
        """Title, texts and buttons of the message box that is open, if one is."""
        for app in self.atspi.Registry.getDesktop(0):
            # A box is a window of its own, or sits in a frame of the program's own drawing,
            # which then carries the title.
            for top, window in [(t, w) for t in app or [] if t is not None for w in [t, *t]]:
                if window is not None and window.getRoleName() == "alert":
                    texts, buttons = [], []

                    def collect(node):
                        for child in node:
                            if child is None:
                                continue
                            role = child.getRoleName()
                            if role == "label" and child.name:
                                texts.append(child.name)
                            elif role == "push button":
                                buttons.append(child.name)
                            collect(child)
                    collect(window)
                    return top.name, texts, buttons
        return None

    def control(self, name):
        return self.controls()[name]

    def wait_for_control(self, name, predicate, timeout=5, what=None):
        return wait_until(lambda: predicate(self.control(name)), timeout, what=what or name)

    def interpreter_starts(self):
        """The argument lists with which the stub interpreter was started."""
        try:
            with open(os.path.join(self.program_dir, "alarm-cmd.log")) as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        starts = []
        while lines:
            count = int(lines.pop(0))
            starts.append(lines[:count])
            del lines[:count]
        return starts

    def process_tree(self):
        """Every live process whose parent chain leads to the program."""
        parents = {}
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    with open(f"/proc/{entry}/stat") as f:
                        fields = f.read().rsplit(")", 1)[1].split()
                    if fields[0] != "Z":
                        parents[int(entry)] = int(fields[1])
                except (OSError, IndexError):
                    pass
        tree, grew = {self.app.pid} & set(parents), True
        while grew:
            grew = False
            for pid, parent in parents.items():
                if parent in tree and pid not in tree:
                    tree.add(pid)
                    grew = True
        return tree


def wav_samples(path):
    """Mono 16-bit samples of a WAV written by ALSA's file plugin, readable while still growing."""
    with open(path, "rb") as f:
        data = f.read()
    start = data.find(b"data") + 8
    body = data[start:start + (len(data) - start) // 2 * 2]
    return struct.unpack("<%dh" % (len(body) // 2), body)


def wav_rate(path):
    with open(path, "rb") as f:
        header = f.read(44)
    return struct.unpack("<I", header[24:28])[0]


def steady_tones(samples, rate):
    """(frequency, seconds) of each stretch of steady tone at the level the program's tones have;
    the short fades between tones separate them, and speech is seldom steady long enough."""
    block = rate // 500
    tones, start = [], None
    for i in range(0, len(samples) - block + 1, block):
        chunk = samples[i:i + block]
        rms = (sum(v * v for v in chunk) / block) ** 0.5
        steady = 4400 < rms < 6000  # tones sound at -16 dBFS RMS, 5190
        if steady and start is None:
            start = i
        elif not steady and start is not None:
            if i - start >= rate * 0.08:
                tones.append((zero_crossing_frequency(samples[start:i], rate), (i - start) / rate))
            start = None
    return tones


def zero_crossing_frequency(samples, rate):
    crossings = sum(1 for a, b in zip(samples, samples[1:]) if (a < 0) != (b < 0))
    return crossings * rate / (2 * len(samples))


class SessionTest(unittest.TestCase):
    fake_time = None
    sound = True
    wayland = False

    def setUp(self):
        self.session = Session(self.fake_time, self.sound, self.wayland)
        self.addCleanup(self.session.close)


def pick_with_mouse(session, list_name, entry):
    """Opens a list with a click and clicks the entry in its popup."""
    # The popup opens over the box; pointing low in the box keeps the pointer clear of the popup's
    # top edge, where a held button would scroll the list.
    session.point_at(list_name, dy=8)
    run("xdotool", "click", "1")
    popup = wait_until(lambda: [w for w in session.windows() if w != session.window], 5, what="the popup")
    atspi = session.atspi

    def entry_on_screen():
        for app in atspi.Registry.getDesktop(0):
            for frame in app or []:
                if frame is None or frame.childCount != len(CONTROL_ORDER):
                    continue
                combo = frame[CONTROL_ORDER.index(list_name)]
                items = combo[0]
                for item in items:
                    if item.name == entry and item.getState().contains(atspi.STATE_SHOWING):
                        box = item.queryComponent().getExtents(atspi.DESKTOP_COORDS)
                        if box.width > 0:
                            return box
        return None

    box = wait_until(entry_on_screen, 5, what=f"entry {entry} of {list_name} on screen")
    # Qt reports the items wider than the popup, so aim at the popup's middle, at the item's height.
    x, _, width, _ = session.geometry(popup[0])
    run("xdotool", "mousemove", str(x + width // 2), str(box.y + box.height // 2), "click", "1")
    wait_until(lambda: popup[0] not in session.windows(), 5, what="the popup to close")


def close_window(session):
    """Asks the window to close, as a window manager's close button does."""
    from Xlib import X, display, protocol
    connection = display.Display(session.desktop.display)
    window = connection.create_resource_object("window", int(session.window))
    protocols = connection.intern_atom("WM_PROTOCOLS")
    delete = connection.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                         data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    # A round trip before hanging up: a request still unread when the server sees the connection
    # close is dropped, and the window never hears of it.
    connection.sync()
    connection.close()


def pick_with_keys(session, hour_steps, minute_steps, am_pm_steps):
    """From the start-up focus on "?", tabs through the lists typing one character per step."""
    session.keys("Tab", *["x"] * hour_steps, "Tab", *["x"] * minute_steps, "Tab", *["x"] * am_pm_steps)
