# SPDX-License-Identifier: MIT
"""The desktop kit: what every harness that runs the real program shares.

An X server, a private runtime directory and session bus with an optional accessibility bus, sound
devices, a faked clock, the stub interpreter, where the controls sit and how to read them as a
screen reader does. Everything it starts ends with the run: at exit, on SIGTERM or SIGHUP, and,
through a guardian process, also when the run is killed outright, as ctest does on a time-out.

Nothing started here can power the machine off: a program runs from a directory in which alarm-cmd
is the recording stub (or from a build tree with none beside it), and every process carries
ALARM_CMD_TEST_NEVER_ACT=1, which makes the real interpreter refuse to act.
"""
import atexit
import ctypes
import glob
import os
import secrets
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

# Every process started here carries this mark, so whatever outlives its group is still found.
KIT_MARK = "ALARM_TEST_KIT"
# A mark of the whole test run, set by scripts/soak-tests.sh to look for leftovers between runs.
RUN_MARK = "ALARM_TEST_RUN"
# Every process of one desktop carries this mark, so that a desktop can be ended before the run.
DESKTOP_MARK = "ALARM_TEST_DESKTOP"
PR_SET_PDEATHSIG = 1

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD_DIR = os.environ.get("ALARM_BUILD_DIR", os.path.join(REPO, "build"))
SCRIPT_BYTES = b"C:\\windows\\system32\\shutdown -s -f -t 00\r\n"
GREETING_TITLE = "Your computer time is :  "
WINDOW_SIZE = (193, 133)

# The window's controls as screen readers meet them: in the order in which it creates them, without
# the hidden fields Text1 and Text2, which hold state and are never shown.
CONTROL_ORDER = ["Details", "Shutdown", "AM", "Minutes", "Hour", "Alarmon", "Alarmoff",
                 "Label6", "Label5", "Label4", "Label3", "Label1", "Label2"]
# Client-area rectangles in pixels (x, y, width, height).
CONTROL_RECTS = {
    "Details": (144, 56, 41, 25), "Shutdown": (56, 56, 81, 25), "AM": (136, 24, 49, 25),
    "Minutes": (72, 24, 57, 25), "Hour": (8, 24, 57, 25), "Alarmon": (8, 56, 41, 25),
    "Alarmoff": (8, 56, 41, 25), "Label6": (80, 88, 105, 21), "Label5": (7, 88, 69, 17),
    "Label4": (-8, 112, 209, 25), "Label3": (136, 8, 51, 15), "Label1": (16, 8, 35, 17),
    "Label2": (72, 8, 57, 17),
}


def centre(control, dx=0, dy=0):
    x, y, width, height = CONTROL_RECTS[control]
    return x + width // 2 + dx, y + height // 2 + dy


class KitError(AssertionError):
    """Something the kit waited for did not happen; a test failure, not a crash of the harness."""


def wait_until(condition, timeout, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise KitError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


# -- processes ---------------------------------------------------------------------------------------


def _marked_processes(mark):
    """Pids of live processes whose environment carries mark (NAME=VALUE)."""
    wanted, found = mark.encode(), []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if wanted in f.read().split(b"\0"):
                        found.append(int(entry))
            except OSError:
                pass
    return found


def _forget_faked_clock(pid):
    # libfaketime keeps its shared clock under the pid that loaded it and removes it only when that
    # process exits normally.
    for name in (f"faketime_shm_{pid}", f"sem.faketime_sem_{pid}"):
        try:
            os.unlink(f"/dev/shm/{name}")
        except OSError:
            pass


def _sweep(mark, spare=()):
    """Ends every marked process, gently first, and what libfaketime kept for it."""
    ended = set()
    for sig in (signal.SIGTERM, signal.SIGKILL, signal.SIGKILL):
        pids = [pid for pid in _marked_processes(mark) if pid not in spare]
        if not pids:
            break
        for pid in pids:
            try:
                os.kill(pid, sig)
            except OSError:
                pass
        ended.update(pids)
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline and any(os.path.exists(f"/proc/{pid}") and
                                                   _state(pid) != "Z" for pid in pids):
            time.sleep(0.05)
    for pid in ended:
        _forget_faked_clock(pid)


def _state(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0]
    except (OSError, IndexError):
        return "Z"


class _Reaper:
    """Keeps every process group and temporary directory of the run and ends them with it."""

    def __init__(self):
        self.mark = f"{KIT_MARK}={os.getpid()}-{secrets.token_hex(6)}"
        os.environ[KIT_MARK] = self.mark.split("=", 1)[1]
        os.environ["ALARM_CMD_TEST_NEVER_ACT"] = "1"
        self.processes, self.directories = [], []
        # The guardian learns of the run's end when its pipe breaks, however the run ended. This end
        # of the pipe stays open for the life of the process and is inherited by nothing.
        read_end, self.guardian_pipe = os.pipe()
        unmarked = {k: v for k, v in os.environ.items() if k not in (KIT_MARK, RUN_MARK)}
        self.guardian = os.posix_spawn(sys.executable, [sys.executable, os.path.abspath(__file__), "--guard",
                                                        self.mark], unmarked, setsid=True,
                                       file_actions=[(os.POSIX_SPAWN_DUP2, read_end, 0),
                                                     (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
                                                     (os.POSIX_SPAWN_DUP2, 1, 2)])
        os.close(read_end)
        atexit.register(self.reap)
        for sig in (signal.SIGTERM, signal.SIGHUP):
            signal.signal(sig, self._on_signal)
        # The run ends with whatever started it: ctest, when it is ended, leaves its tests running.
        parent = os.getppid()
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)
        if os.getppid() != parent:
            os.kill(os.getpid(), signal.SIGTERM)

    def marks(self):
        marks = {KIT_MARK: os.environ[KIT_MARK], "ALARM_CMD_TEST_NEVER_ACT": "1"}
        if os.environ.get(RUN_MARK):
            marks[RUN_MARK] = os.environ[RUN_MARK]
        return marks

    def end(self, process):
        """Ends a process started by spawn() with its whole group."""
        for sig, grace in ((signal.SIGTERM, 2), (signal.SIGKILL, 5)):
            try:
                os.killpg(process.pid, sig)
            except OSError:
                pass
            try:
                process.wait(grace)
                break
            except subprocess.TimeoutExpired:
                pass
        _forget_faked_clock(process.pid)

    def reap(self):
        while self.processes:
            self.end(self.processes.pop())
        _sweep(self.mark, spare={os.getpid(), self.guardian})
        while self.directories:
            shutil.rmtree(self.directories.pop(), ignore_errors=True)

    def _on_signal(self, signum, _frame):
        self.reap()
        signal.signal(signum, signal.SIG_DFL)
        os.kill(os.getpid(), signum)


def _guard(mark):
    # The run names its temporary directories here, one a line, and hangs up when it ends.
    directories = sys.stdin.read().splitlines()
    _sweep(mark, spare={os.getpid()})
    for path in directories:
        shutil.rmtree(path, ignore_errors=True)


_reaper = None if __name__ == "__main__" else _Reaper()


def spawn(command, **popen_kwargs):
    """Starts a process in a process group of its own, which is ended with the run."""
    if popen_kwargs.get("env") is not None:
        popen_kwargs["env"] = {**popen_kwargs["env"], **_reaper.marks()}
    process = subprocess.Popen(command, start_new_session=True, **popen_kwargs)
    _reaper.processes.append(process)
    return process


def end(process):
    """Ends a spawned process and its group now rather than with the run."""
    if process in _reaper.processes:
        _reaper.processes.remove(process)
    _reaper.end(process)


def temporary_directory(prefix, directory=None):
    """A directory (in /tmp unless another is named) that is removed with the run; its name carries
    the run's mark when there is one."""
    run = os.environ.get(RUN_MARK)
    path = tempfile.mkdtemp(prefix=f"{prefix}{run}-" if run else prefix, dir=directory)
    _reaper.directories.append(path)
    os.write(_reaper.guardian_pipe, path.encode() + b"\n")
    return path


def marks():
    """The variables every process of the run must carry, also in an environment built from nothing."""
    return _reaper.marks()


def _read_line(fd, timeout):
    """One line from a pipe, then closes it."""
    deadline, data = time.monotonic() + timeout, b""
    while not data.endswith(b"\n"):
        ready, _, _ = select.select([fd], [], [], max(0.0, deadline - time.monotonic()))
        chunk = os.read(fd, 4096) if ready else b""
        if not chunk:
            break
        data += chunk
    os.close(fd)
    return data.decode(errors="replace").strip()


def _started(command, what, **popen_kwargs):
    """Spawns a server that prints where it listens on a pipe, and returns it with that line."""
    read_end, write_end = os.pipe()
    command = [part.replace("{fd}", str(write_end)) for part in command]
    process = spawn(command, pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                    **popen_kwargs)
    os.close(write_end)
    line = _read_line(read_end, 30)
    if not line:
        raise KitError(f"{what} did not start")
    return process, line


# -- X -----------------------------------------------------------------------------------------------


class XServer:
    """A headless X server on a display number of its own (the server picks a free one)."""

    def __init__(self, size=(1024, 768), open_to_all=False):
        # -noreset: a client arriving just as the last one leaves is not turned away by a reset;
        # -ac lets another user's program connect; -nolisten tcp keeps that to this machine.
        command = ["Xvfb", "-displayfd", "{fd}", "-screen", "0", f"{size[0]}x{size[1]}x24", "-nolisten", "tcp",
                   "-noreset"] + (["-ac"] if open_to_all else [])
        self.process, number = _started(command, "Xvfb")
        self.display = ":" + number

    def run(self, *command):
        result = subprocess.run(command, capture_output=True, text=True, timeout=30,
                                env={**os.environ, "DISPLAY": self.display})
        return result.stdout.strip() if result.returncode == 0 else ""

    def xdotool(self, *args):
        return self.run("xdotool", *args)

    def windows(self, pid):
        """Visible top-level windows of a process, by id, with their titles."""
        ids = self.xdotool("search", "--onlyvisible", "--pid", str(pid)).split()
        return {wid: self.xdotool("getwindowname", wid) for wid in ids}

    def geometry(self, wid):
        fields = dict(line.strip().split(":", 1) for line in self.run("xwininfo", "-id", wid).splitlines()
                      if ":" in line)
        return tuple(int(fields[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def close_window(self, wid):
        """Asks a window to close, as a window manager's close button does."""
        from Xlib import X, display, protocol
        connection = display.Display(self.display)
        window = connection.create_resource_object("window", int(wid))
        event = protocol.event.ClientMessage(
            window=window, client_type=connection.intern_atom("WM_PROTOCOLS"),
            data=(32, [connection.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        # A round trip before hanging up: the server drops the requests of a client that has hung up
        # before it got to read them, and a busy server often has not.
        connection.sync()
        connection.close()

    def take_focus(self):
        """Takes the keyboard focus from every window, as turning to another program would."""
        from Xlib import X, display
        connection = display.Display(self.display)
        connection.set_input_focus(X.NONE, X.RevertToNone, X.CurrentTime)
        connection.sync()
        connection.close()

    def screenshot(self, name):
        """Saves the screen for a failure report and says where, if ImageMagick is there."""
        if not shutil.which("import"):
            return ""
        where = os.path.join(os.environ.get("ALARM_E2E_SHOTS", tempfile.gettempdir()),
                             f"{name}-{os.getpid()}-{int(time.time())}.png")
        self.run("import", "-window", "root", where)
        return f"screenshot: {where}"


# -- a desktop session -------------------------------------------------------------------------------


class Desktop:
    """An X server, a private runtime directory and a session bus, optionally with an accessibility bus
    and a client of it in this process. Without x, only the runtime directory and the bus: a session
    for servers that need no screen, such as a sound server."""
    _shared = None

    @classmethod
    def shared(cls):
        # The accessibility library binds to the first bus it meets for the life of the process, so
        # every test of a process uses one accessible desktop.
        if cls._shared is None:
            cls._shared = Desktop(accessibility=True)
        return cls._shared

    def __init__(self, accessibility=False, size=(1024, 768), open_to_all=False, session_bus=True, x=True):
        self.tmp = temporary_directory("alarm-desktop-")
        self.name = os.path.basename(self.tmp)
        self.runtime_dir = os.path.join(self.tmp, "runtime")
        os.mkdir(self.runtime_dir, 0o700)
        self.x = XServer(size, open_to_all) if x else None
        self.display = self.x.display if x else None
        self.processes = [self.x.process] if x else []
        self.bus_address = self.bus = None
        if session_bus or accessibility:
            self.bus, self.bus_address = self.new_bus()
            self.processes.append(self.bus)
        self.atspi = None
        if accessibility:
            # The session's variables go to this process too, for the accessibility client in it.
            os.environ.update(self.environment())
            import pyatspi
            self.atspi = pyatspi
            # The accessibility bus must be up before a program starts, or Qt will not join it.
            pyatspi.Registry.getDesktop(0)

    def new_bus(self):
        """Starts a session bus of the desktop; returns its process and address."""
        # The bus and the accessibility bus it starts keep their sockets in the private runtime
        # directory; in a shared one, every desktop's accessibility bus would take the same path.
        command = ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address={fd}"]
        return _started(command, "the session bus", env=self.environment())

    def hold_bus(self, held=True):
        """Stops the session bus as a hung daemon would (it accepts connections and answers
        nothing), or lets it go on."""
        os.kill(self.bus.pid, signal.SIGSTOP if held else signal.SIGCONT)

    def environment(self):
        """The environment of a process in this session."""
        env = {**os.environ, "XDG_RUNTIME_DIR": self.runtime_dir, DESKTOP_MARK: self.name, **marks()}
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS"):
            env.pop(name, None)
        if self.display:
            env["DISPLAY"] = self.display
        if self.bus_address:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        return env

    def close(self):
        """Ends the desktop and all that runs in it now rather than with the run."""
        if self.bus:
            self.hold_bus(False)
        while self.processes:
            end(self.processes.pop())
        # The services the bus started run in sessions of their own.
        _sweep(f"{DESKTOP_MARK}={self.name}", spare={os.getpid(), _reaper.guardian})
        # What the sweep ended is waited for here, and forgotten.
        _reaper.processes = [process for process in _reaper.processes if process.poll() is None]
        shutil.rmtree(self.tmp, ignore_errors=True)

    # -- reading a program's windows as a screen reader does ---------------------------------------
    def _frames(self, pid):
        for app in self.atspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                app.clearCache()
                yield from (frame for frame in app if frame is not None)

    def controls(self, pid):
        """Name, role, enabled, visible, showing and description (tooltip) of each control."""
        for frame in self._frames(pid):
            if frame.childCount == len(CONTROL_ORDER):
                result = {}
                for name, child in zip(CONTROL_ORDER, frame):
                    state = child.getState()
                    result[name] = {
                        "name": child.name, "role": child.getRoleName(), "description": child.description,
                        "enabled": state.contains(self.atspi.STATE_ENABLED),
                        "visible": state.contains(self.atspi.STATE_VISIBLE),
                        "focused": state.contains(self.atspi.STATE_FOCUSED),
                        "expanded": state.contains(self.atspi.STATE_EXPANDED),
                        "node": child,
                    }
                return result
        raise KitError("the window is not in the accessibility tree")

    def box_texts(self, pid):
        """Title, texts and buttons of the program's open message box, if one is open."""
        # A box is a window of its own, or sits in a frame of the program's own drawing, which then
        # carries the title.
        for top, window in ((top, window) for top in self._frames(pid) for window in [top, *top]):
            if window is not None and window.getRoleName() == "alert":
                texts, buttons = [], []
                pending = [window]
                while pending:
                    for child in pending.pop(0):
                        if child is not None:
                            role = child.getRoleName()
                            if role == "label" and child.name:
                                texts.append(child.name)
                            elif role == "push button":
                                buttons.append(child.name)
                            pending.append(child)
                return top.name, texts, buttons
        return None

    def list_entry_extents(self, pid, list_name, entry):
        """Screen extents of a list entry while it shows in the open popup, else None."""
        for item in self.controls(pid)[list_name]["node"][0]:
            if item.name == entry and item.getState().contains(self.atspi.STATE_SHOWING):
                box = item.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
                if box.width > 0:
                    return box
        return None


# -- sound -------------------------------------------------------------------------------------------
# A sound mode is made for one AlarmRun and offers environment(), the variables the program needs to
# reach its device, and close(); a mode that records also offers size(), rate() and samples() of what
# the program played. A mode may start servers with spawn(), in run.desktop.environment(), which holds
# the session's private XDG_RUNTIME_DIR and DBUS_SESSION_BUS_ADDRESS.


class _AlsaConfig:
    def __init__(self, run, text):
        self.config = os.path.join(run.tmp, "asound.conf")
        with open(self.config, "w") as f:
            f.write(text)
        os.chmod(self.config, 0o644)

    def environment(self):
        # Only this file: the system's configuration would route the default device to the sound
        # server. And no sound server, which the program would take before ALSA.
        return {"ALSA_CONFIG_PATH": self.config, "PULSE_SERVER": "unix:" + os.path.join(os.path.dirname(self.config),
                                                                                      "no-sound-server")}

    def close(self):
        pass


class AlsaCapture(_AlsaConfig):
    """The default device writes what it is given into a WAV file, as fast as it comes."""

    def __init__(self, run):
        self.wav = os.path.join(run.tmp, "sound.wav")
        super().__init__(run, 'pcm.!default { type file slave.pcm { type null } file "%s" format "wav" }\n'
                              'ctl.!default { type hw card 0 }\n' % self.wav)

    def size(self):
        return os.path.getsize(self.wav) if os.path.exists(self.wav) else 0

    def rate(self):
        with open(self.wav, "rb") as f:
            return struct.unpack("<I", f.read(44)[24:28])[0]

    def samples(self, start_byte=44, end_byte=None):
        """Mono 16-bit samples between two byte offsets; readable while the file still grows."""
        with open(self.wav, "rb") as f:
            data = f.read()
        body = data[max(start_byte, data.find(b"data") + 8):end_byte]
        return struct.unpack("<%dh" % (len(body) // 2), body[:len(body) // 2 * 2])


class NoSoundCard(_AlsaConfig):
    def __init__(self, run):
        super().__init__(run, "pcm.!default { type hw card 29 }\nctl.!default { type hw card 29 }\n")


class AlsaNull(_AlsaConfig):
    """A device that takes everything and keeps nothing; no card is needed or touched."""

    def __init__(self, run):
        super().__init__(run, "pcm.!default { type null }\n")


class OnServer:
    """A sound server that a test started (tests/soundserver.py), which may outlive the run."""

    def __init__(self, run, server):
        self.server = server

    def environment(self):
        return self.server.environment()

    def record(self):
        return self.server.record()

    def close(self):
        pass


class PipeWireSink(OnServer):
    """PipeWire of the run's own (tests/soundserver.py): a null sink recorded at its own pace."""

    def __init__(self, run):
        import soundserver
        workdir = os.path.join(run.tmp, "pipewire")
        os.mkdir(workdir)
        # Its sockets go where the program looks for them by default: the run's runtime directory.
        server = soundserver.PipeWire(spawn, {**run.desktop.environment(), "XDG_RUNTIME_DIR": run.runtime_dir}, workdir)
        server.start()
        super().__init__(run, server)

    def close(self):
        self.server.stop()


SOUND_MODES = {"file": AlsaCapture, "none": NoSoundCard, "null": AlsaNull, "pipewire": PipeWireSink}


def sound_server(server_class, root=None):
    """Starts a server class of tests/soundserver.py on a session of its own without a screen, for
    several runs; returns the session, whose close() ends it, and the server."""
    session = Desktop(x=False)
    try:
        # A server in another root keeps its files, sockets among them, where both sides see them.
        workdir = temporary_directory("alarm-sound-", directory=os.path.join(root, "tmp") if root else None)
        runtime_dir = os.path.join(workdir, "runtime")
        os.mkdir(runtime_dir, 0o700)
        env = {**session.environment(), "XDG_RUNTIME_DIR": runtime_dir}
        server = server_class(spawn, env, workdir, **({"root": root} if root else {}))
        server.start()
    except BaseException:
        session.close()
        raise
    return session, server


# -- the program -------------------------------------------------------------------------------------

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


def is_stub(path):
    with open(path, "rb") as f:
        return f.read().startswith(STUB_INTERPRETER.encode()[:60])


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
    if os.path.lexists(beside) and not is_stub(beside):
        raise SystemExit(f"refusing to run: {beside} is not the recording stub")


def faked_clock(start, program):
    """Variables that start the program's wall clock at start ("YYYY-MM-DD hh:mm:ss") and let it run."""
    # Only the wall clock is faked; the program's timers keep the real monotonic clock.
    env = {"LD_PRELOAD": glob_one("/usr/lib/*/faketime/libfaketime.so.1"), "FAKETIME": "@" + start,
           "FAKETIME_DONT_FAKE_MONOTONIC": "1", "FAKETIME_DONT_RESET": "1"}
    if "libasan" in subprocess.run(["ldd", program], capture_output=True, text=True).stdout:
        # AddressSanitizer wants its runtime loaded first. Preloading it ahead would hand it to the
        # program's children as well, and a shell started with both libraries hangs at start.
        env["ASAN_OPTIONS"] = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    return env


def glob_one(pattern):
    found = glob.glob(pattern)
    if not found:
        raise SystemExit(f"missing {pattern} (Debian package faketime)")
    return found[0]


class Compositor:
    """weston without a screen (its headless backend): a Wayland desktop beside the X one, for a
    program run with Qt's Wayland plugin. Its socket is made in directory, where clients find it by
    its absolute path."""

    def __init__(self, directory, environment, size=(1024, 768)):
        self.socket = os.path.join(directory, "wayland-0")
        self.log = os.path.join(directory, "weston.log")
        env = {**environment, "XDG_RUNTIME_DIR": directory}
        env.pop("DISPLAY", None)
        with open(self.log, "w") as log:
            self.process = spawn(["weston", "--backend=headless-backend.so", "--socket=wayland-0",
                                  f"--width={size[0]}", f"--height={size[1]}", "--idle-time=0"],
                                 env=env, stdout=log, stderr=subprocess.STDOUT)
        wait_until(lambda: os.path.exists(self.socket) or self.process.poll() is not None, 20, what="weston's socket")
        if self.process.poll() is not None:
            with open(self.log, errors="replace") as f:
                raise KitError(f"weston ended with {self.process.returncode}:\n{f.read()[-2000:]}")


class AlarmRun:
    """One run of the program on a desktop. By default the program is the build's, copied into a
    private directory beside the recording stub; an installed program brings its own stub. sound is
    the name of a sound mode or a sound server a test started (tests/soundserver.py); with wayland,
    the program runs under a compositor of its own instead of the X server, and logs its requests."""

    def __init__(self, desktop, fake_time=None, sound="file", program=None, record=None, wayland=False,
                 folder="program"):
        self.desktop, self.x, self.fake_time = desktop, desktop.x, fake_time
        self.tmp = temporary_directory("alarm-run-")
        self.runtime_dir = os.path.join(self.tmp, "runtime")
        os.makedirs(self.runtime_dir, mode=0o700)
        self.program, self.record = program, record
        if program is None:
            self.program_dir = os.path.join(self.tmp, folder)
            os.makedirs(self.program_dir)
            self.program = shutil.copy2(os.path.join(BUILD_DIR, "src", "alarm"), self.program_dir)
            self.record = os.path.join(self.tmp, "alarm-cmd.calls")
            install_stub(os.path.join(self.program_dir, "alarm-cmd"), self.record)
        self.sound = SOUND_MODES[sound](self) if isinstance(sound, str) else OnServer(self, sound)
        self.compositor = Compositor(self.runtime_dir, desktop.environment()) if wayland else None
        self.app = self.window = None
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
        return {**env, **self.extra_environment}

    def start(self, environment=None, wrapper=()):
        """Starts the program, through wrapper (a command that execs it) if one is given."""
        refuse_real_interpreter(self.program)
        self.started = time.monotonic()  # the faked clock starts after this, so never runs ahead of it
        with open(self.log, "wb") as log:
            self.app = spawn([*wrapper, self.program], env=environment or self.environment(), stdout=log,
                             stderr=subprocess.STDOUT)
        return self.app

    def close(self):
        if self.app:
            end(self.app)
        if self.compositor:
            end(self.compositor.process)
        self.sound.close()
        output = self.output() if os.path.exists(self.log) else ""
        shutil.rmtree(self.tmp, ignore_errors=True)
        # A sanitizer's report fails the test, whatever the test itself saw of the program.
        for sign in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"):
            if sign in output:
                raise KitError("the program's output holds a sanitizer report:\n" + output[output.index(sign):][:4000])

    def output(self):
        with open(self.log, errors="replace") as f:
            return f.read()

    # -- windows -------------------------------------------------------------------------------------
    def windows(self):
        return self.x.windows(self.app.pid)

    def wait_for_window(self, predicate, timeout=20, what="window"):
        def found():
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

    def dismiss_greeting(self):
        box = self.wait_for_window(lambda wid, title: title.startswith(GREETING_TITLE), what="greeting box")
        self.x.xdotool("windowfocus", "--sync", box, "key", "Return")
        wait_until(lambda: box not in self.windows(), 10, what="greeting box to close")
        self.window = self.wait_for_window(self.is_main_window, what="main window")
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

    def arm(self, plan, hour_steps, minute_steps, am_pm_steps):
        """Picks a time with the keys and presses plan, "Alarmon" or "Shutdown", once it takes a click."""
        self.pick_with_keys(hour_steps, minute_steps, am_pm_steps)
        self.wait_for_control(plan, lambda c: c["enabled"])
        self.click(plan)

    # -- reading the window --------------------------------------------------------------------------
    def controls(self):
        return self.desktop.controls(self.app.pid)

    def control(self, name):
        return self.controls()[name]

    def wait_for_control(self, name, predicate, timeout=5, what=None):
        return wait_until(lambda: predicate(self.control(name)), timeout, what=what or name)

    def box_texts(self):
        return self.desktop.box_texts(self.app.pid)

    def interpreter_starts(self):
        return read_record(self.record)


if __name__ == "__main__" and sys.argv[1:2] == ["--guard"]:
    _guard(sys.argv[2])
