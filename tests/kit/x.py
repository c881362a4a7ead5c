# SPDX-License-Identifier: MIT
"""The desktop a program runs on: a headless X server, weston without a screen for a Wayland run, a
private runtime directory and session bus with an optional accessibility bus, and a watcher of the X
server's windows as they are mapped."""
import collections
import contextlib
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

from kit.processes import DESKTOP_MARK, KitError, end, end_marked, marks, spawn, started, temporary_directory, \
    wait_until


class XServer:
    """A headless X server on a display number of its own (the server picks a free one)."""

    def __init__(self, size=(1024, 768), open_to_all=False):
        # -noreset: a client arriving just as the last one leaves is not turned away by a reset;
        # -ac lets another user's program connect; -nolisten tcp keeps that to this machine.
        command = ["Xvfb", "-displayfd", "{fd}", "-screen", "0", f"{size[0]}x{size[1]}x24", "-nolisten", "tcp",
                   "-noreset"] + (["-ac"] if open_to_all else [])
        self.process, number = started(command, "Xvfb")
        self.display = ":" + number

    def run(self, *command):
        result = subprocess.run(command, capture_output=True, text=True, timeout=30,
                                env={**os.environ, "DISPLAY": self.display})
        return result.stdout.strip() if result.returncode == 0 else ""

    def xdotool(self, *args):
        return self.run("xdotool", *args)

    def windows(self, *search):
        """Visible top-level windows that xdotool's search finds (--pid PID, --class NAME, ...), by
        id, with their titles."""
        ids = self.xdotool("search", "--onlyvisible", *search).split()
        return {wid: self.xdotool("getwindowname", wid) for wid in ids}

    def geometry(self, wid):
        fields = dict(line.strip().split(":", 1) for line in self.run("xwininfo", "-id", wid).splitlines()
                      if ":" in line)
        return tuple(int(fields[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    @contextlib.contextmanager
    def connection(self):
        """An X connection of this process's own for a few requests."""
        from Xlib import display
        connection = display.Display(self.display)
        try:
            yield connection
            # A round trip before hanging up: the server drops the requests of a client that has hung up
            # before it got to read them, and a busy server often has not.
            connection.sync()
        finally:
            connection.close()

    def close_window(self, wid):
        """Asks a window to close, as a window manager's close button does."""
        from Xlib import X, protocol
        with self.connection() as connection:
            window = connection.create_resource_object("window", int(wid))
            event = protocol.event.ClientMessage(
                window=window, client_type=connection.intern_atom("WM_PROTOCOLS"),
                data=(32, [connection.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
            window.send_event(event, event_mask=X.NoEventMask)

    @contextlib.contextmanager
    def covering(self, wid):
        """A window of another program over wid while the block runs, as a browser over a small one."""
        from Xlib import X, display
        connection = display.Display(self.display)
        try:
            x, y, width, height = self.geometry(wid)
            cover = connection.screen().root.create_window(x, y, width, height, 0, X.CopyFromParent)
            cover.map()
            connection.sync()
            yield str(cover.id)
        finally:
            connection.close()

    def stacking(self):
        """The ids of the top-level windows from bottom to top."""
        with self.connection() as connection:
            return [str(window.id) for window in connection.screen().root.query_tree().children]

    def take_focus(self):
        """Takes the keyboard focus from every window, as turning to another program would."""
        from Xlib import X
        with self.connection() as connection:
            connection.set_input_focus(X.NONE, X.RevertToNone, X.CurrentTime)

    def screenshot(self, name):
        """Saves the screen for a failure report and says where, if ImageMagick is there."""
        if not shutil.which("import"):
            return ""
        where = os.path.join(os.environ.get("ALARM_E2E_SHOTS", tempfile.gettempdir()),
                             f"{name}-{os.getpid()}-{int(time.time())}.png")
        self.run("import", "-window", "root", where)
        return f"screenshot: {where}"


A11Y_BUS_SERVICE = "/usr/share/dbus-1/services/org.a11y.Bus.service"
SESSION_BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:dir={runtime}</listen>
  <auth>EXTERNAL</auth>
  <servicedir>{services}</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

MappedWindow = collections.namedtuple("MappedWindow", "id title width height mapped_at")


class XWatcher:
    """Top-level windows as they are mapped, seen from an X connection of its own; each is stamped
    when its event is read, within about a millisecond. It also follows, as a window manager would,
    which windows ask for attention (_NET_WM_STATE_DEMANDS_ATTENTION, the taskbar's mark)."""

    def __init__(self, display_name):
        from Xlib import X, display
        self.X = X
        self.display = display.Display(display_name)
        # Structure notes on the root too: requests to a window manager are sent as those.
        self.display.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask | X.StructureNotifyMask)
        self.display.sync()
        self.net_wm_name = self.display.intern_atom("_NET_WM_NAME")
        self.net_wm_state = self.display.intern_atom("_NET_WM_STATE")
        self.demands_attention = self.display.intern_atom("_NET_WM_STATE_DEMANDS_ATTENTION")
        self.maps = []  # (monotonic time, window id), read but not yet taken
        self.attention = {}  # window id: whether it asks for attention

    def close(self):
        self.display.close()

    def _read(self, timeout):
        """Reads whatever events arrive within timeout, stamping each as it is read."""
        if not self.display.pending_events():
            ready, _, _ = select.select([self.display], [], [], max(timeout, 0))
            if not ready:
                return
        now = time.monotonic()
        while self.display.pending_events():
            event = self.display.next_event()
            if event.type == self.X.MapNotify and not event.override:
                self.maps.append((now, event.window.id))
            elif event.type == self.X.ClientMessage and event.client_type == self.net_wm_state:
                # A request to add (1), remove (0) or toggle (2) up to two states.
                action, *states = event.data[1][:3]
                if self.demands_attention in states:
                    wid = event.window.id
                    self.attention[wid] = action == 1 or (action == 2 and not self.attention.get(wid))

    def wants_attention(self, wid):
        self._read(0)
        return self.attention.get(int(wid), False)

    def drain(self):
        self._read(0)
        self.maps.clear()

    def wait_for_map(self, timeout):
        """The time and id of the next top-level window mapped, or None."""
        deadline = time.monotonic() + timeout
        while not self.maps:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            self._read(left)
        return self.maps.pop(0)

    def window(self, wid, mapped_at):
        window = self.display.create_resource_object("window", wid)
        geometry = window.get_geometry()
        name = window.get_full_property(self.net_wm_name, self.X.AnyPropertyType)
        title = name.value.decode("utf-8", "replace") if name else (window.get_wm_name() or "")
        return MappedWindow(wid, title, geometry.width, geometry.height, mapped_at)

    def pixels(self, wid, rect):
        window = self.display.create_resource_object("window", wid)
        return window.get_image(*rect, self.X.ZPixmap, 0xFFFFFFFF).data


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
        # It starts no service but the accessibility bus: one installed on the machine (a desktop
        # portal, say) must not answer where a test has its stand-in, or none.
        config = os.path.join(self.tmp, "session-bus.conf")
        services = os.path.join(self.tmp, "services")
        if not os.path.exists(config):
            os.mkdir(services)
            if os.path.exists(A11Y_BUS_SERVICE):
                shutil.copy(A11Y_BUS_SERVICE, services)
            with open(config, "w") as f:
                f.write(SESSION_BUS_CONFIG.format(runtime=self.runtime_dir, services=services))
        command = ["dbus-daemon", f"--config-file={config}", "--nofork", "--nopidfile", "--print-address={fd}"]
        return started(command, "the session bus", env=self.environment())

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
        end_marked(f"{DESKTOP_MARK}={self.name}")
        shutil.rmtree(self.tmp, ignore_errors=True)
