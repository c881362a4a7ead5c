# SPDX-License-Identifier: MIT
"""Processes and temporary directories that end with the run: at exit, on SIGTERM or SIGHUP, and,
through a guardian process (this file run with --guard), also when the run is killed outright, as
ctest does on a time-out, or when whatever started the run ends. Only the standard library here,
so that the guardian needs nothing else."""
import atexit
import ctypes
import os
import secrets
import select
import shutil
import signal
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
# No process of the run may reach the machine's own system bus, where logind would take its locks
# and requests: its address is one no bus can ever have (/dev/null is no directory). A test that
# needs a system bus starts a private one and names it (kit.power).
NO_SYSTEM_BUS = "unix:path=/dev/null/no-system-bus-in-tests"


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


def marked_processes(mark):
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
        pids = [pid for pid in marked_processes(mark) if pid not in spare]
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


def stat_fields(pid):
    """The fields of /proc/PID/stat after the command's name, its state first; None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()
    except (OSError, IndexError):
        return None


def _state(pid):
    return (stat_fields(pid) or ["Z"])[0]


def descendants(pid):
    """Live processes whose parent chain leads to pid."""
    parents = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        fields = stat_fields(entry)
        if fields and fields[0] != "Z":
            parents[int(entry)] = int(fields[1])
    found, grew = {pid}, True
    while grew:
        new = {child for child, parent in parents.items() if parent in found} - found
        found |= new
        grew = bool(new)
    return found - {pid}


class _Reaper:
    """Keeps every process group and temporary directory of the run and ends them with it."""

    def __init__(self):
        self.mark = f"{KIT_MARK}={os.getpid()}-{secrets.token_hex(6)}"
        os.environ[KIT_MARK] = self.mark.split("=", 1)[1]
        os.environ["ALARM_CMD_TEST_NEVER_ACT"] = "1"
        os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = NO_SYSTEM_BUS
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
        popen_kwargs["env"] = {**popen_kwargs["env"], **marks(popen_kwargs["env"])}
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


def end_marked(mark):
    """Ends every process that carries mark (NAME=VALUE) now rather than with the run."""
    _sweep(mark, spare={os.getpid(), _reaper.guardian})
    # What the sweep ended is waited for here, and forgotten.
    _reaper.processes = [process for process in _reaper.processes if process.poll() is None]


def marks(env=None):
    """The variables every process of the run must carry, also in an environment built from nothing.
    A private system bus that env names stays; the machine's own is refused."""
    run = {RUN_MARK: os.environ[RUN_MARK]} if os.environ.get(RUN_MARK) else {}
    system_bus = (env or {}).get("DBUS_SYSTEM_BUS_ADDRESS", NO_SYSTEM_BUS)
    if "system_bus_socket" in system_bus:
        raise KitError(f"refusing to hand the machine's own system bus to a process: {system_bus}")
    return {KIT_MARK: os.environ[KIT_MARK], "ALARM_CMD_TEST_NEVER_ACT": "1", "DBUS_SYSTEM_BUS_ADDRESS": system_bus,
            **run}


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


def started(command, what, **popen_kwargs):
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


if __name__ == "__main__" and sys.argv[1:2] == ["--guard"]:
    _guard(sys.argv[2])
