# SPDX-License-Identifier: MIT
"""Builds the Debian package, unpacks it into a throw-away root and runs the installed program.

Usage: check_package.py CPACK BUILD_DIR

The installed alarm-cmd is replaced by a stub that only records its arguments before anything is
started, and ALARM_CMD_TEST_NEVER_ACT is set as well, so nothing here can power the machine off.
The program then runs as an unprivileged user, who cannot write beside it, on a faked clock shortly
before 23:59; the test arms a shut-down for 11:59 PM through the window and checks that the script
lands in the user's runtime directory and is handed to the stub.

Needs root (to run the program as "nobody") and Xvfb, xdotool, x11-utils, dpkg-dev, appstream,
faketime and util-linux's setpriv. Exits 77 (skipped) when not root.
"""
import ctypes
import glob
import os
import pwd
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

FAKETIME_LIBS = glob.glob("/usr/lib/*/faketime/libfaketime.so.1")
FAKE_START = "2026-12-07 23:58:40"
SECONDS_BEFORE_TARGET = 20  # from FAKE_START to 23:59:00
SCRIPT_NAME = "Shut down.bat"
SCRIPT_CONTENT = b"C:\\windows\\system32\\shutdown -s -f -t 00\r\n"

# Where the controls sit in the 193 x 133 window.
HOUR_LIST = (36, 36)
MINUTES_LIST = (100, 36)
AM_PM_LIST = (160, 36)
SHUT_DOWN_BUTTON = (96, 68)

ICON_SIZES = (16, 32, 48, 64, 128, 256)
EXPECTED_FILES = {
    "usr/bin/alarm",
    "usr/bin/alarm-cmd",
    "usr/share/applications/io.github.velmora.alarm.desktop",
    "usr/share/metainfo/io.github.velmora.alarm.metainfo.xml",
    *(f"usr/share/icons/hicolor/{size}x{size}/apps/alarm.png" for size in ICON_SIZES),
    "usr/share/icons/hicolor/scalable/apps/alarm.svg",
    "usr/share/man/man1/alarm.1.gz",
    "usr/share/man/man1/alarm-cmd.1.gz",
    "usr/share/doc/alarm/copyright",
    "usr/share/doc/alarm/changelog.gz",
}

STUB = """#!/bin/sh
# Stands in for alarm-cmd: records its arguments, NUL-separated and counted, and does nothing else.
printf '%s\\0' "$#" "$@" >> '{record}'
"""


class Failure(Exception):
    pass


def require(condition, message):
    if not condition:
        raise Failure(message)


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    require(result.returncode == 0,
            f"{' '.join(map(str, command))} failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    return result.stdout


def wait_for(what, probe, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def png_size(path):
    with open(path, "rb") as png:
        header = png.read(24)
    require(header[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG")
    return struct.unpack(">II", header[16:24])


def desktop_keys(path):
    keys = {}
    with open(path, encoding="utf-8") as desktop:
        for line in desktop:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                keys.setdefault(key, value)
    return keys


class Session:
    """Every process the test starts, so that all of them end however the test does."""

    def __init__(self):
        self.processes = []
        self.faked_pids = set()
        # Orphans of our children (the program starts its script detached) come back to us.
        PR_SET_CHILD_SUBREAPER = 36
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)

    def start(self, command, **kwargs):
        process = subprocess.Popen(command, start_new_session=True, **kwargs)
        self.processes.append(process)
        return process

    def descendants(self):
        children = {}
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    with open(f"/proc/{entry}/stat") as stat:
                        parent = int(stat.read().rsplit(")", 1)[1].split()[1])
                except (OSError, IndexError, ValueError):
                    continue
                children.setdefault(parent, []).append(int(entry))
        found, pending = [], [os.getpid()]
        while pending:
            for child in children.get(pending.pop(), []):
                found.append(child)
                pending.append(child)
        return found

    def close(self):
        for process in self.processes:
            if process.poll() is None:
                process.terminate()
        for process in self.processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        # Whatever is left below us, detached or orphaned, is ended and reaped too.
        for _ in range(3):
            rest = self.descendants()
            if not rest:
                break
            for pid in rest:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            time.sleep(0.2)
            for pid in rest:
                try:
                    os.waitpid(pid, os.WNOHANG)
                except ChildProcessError:
                    pass
        # libfaketime keeps its shared clock in /dev/shm under the pid that loaded it first, and
        # removes it only when that process exits normally.
        for pid in self.faked_pids:
            for name in (f"faketime_shm_{pid}", f"sem.faketime_sem_{pid}"):
                try:
                    os.unlink(f"/dev/shm/{name}")
                except FileNotFoundError:
                    pass


def build_package(cpack, build_dir, out_dir):
    # Under a strict umask, so that the package's modes cannot come from the builder's.
    run([cpack, "-G", "DEB", "-B", out_dir, "--config", os.path.join(build_dir, "CPackConfig.cmake")],
        cwd=build_dir, umask=0o077)
    debs = [f for f in os.listdir(out_dir) if f.endswith(".deb")]
    require(len(debs) == 1, f"cpack made {debs}")
    return os.path.join(out_dir, debs[0])


def check_control(deb):
    fields = {}
    for line in run(["dpkg-deb", "-f", deb]).splitlines():
        if line and not line[0].isspace():
            key, value = line.split(":", 1)
            fields[key] = value.strip()
    require(fields.get("Package") == "alarm", f"package is named {fields.get('Package')}")
    depends = {d.split()[0] for d in fields.get("Depends", "").split(",") if d.strip()}
    # Found by dpkg-shlibdeps, and the data the programs load at run time.
    for needed in ("libqt6widgets6", "libqt6dbus6", "libespeak-ng1", "libasound2", "espeak-ng-data",
                   "fonts-liberation"):
        require(needed in depends, f"Depends lacks {needed}: {fields.get('Depends')}")
    for field in ("Maintainer", "Section", "Description"):
        require(fields.get(field), f"no {field} field")


def check_tree(deb, root):
    listed = set()
    for line in run(["dpkg-deb", "-c", deb]).splitlines():
        mode, owner, _, _, _, path = line.split(None, 5)
        path = path.removeprefix("./")
        if path.endswith("/"):
            expected_mode = "drwxr-xr-x"
        else:
            listed.add(path)
            expected_mode = "-rwxr-xr-x" if path.startswith("usr/bin/") else "-rw-r--r--"
        require(mode == expected_mode and owner == "root/root",
                f"{path} is {mode} {owner} in the package, not {expected_mode} root/root")
    require(listed == EXPECTED_FILES,
            f"package files differ: missing {sorted(EXPECTED_FILES - listed)}, "
            f"unexpected {sorted(listed - EXPECTED_FILES)}")
    run(["dpkg", "-x", deb, root])
    for program in ("alarm", "alarm-cmd"):
        path = os.path.join(root, "usr/bin", program)
        require(os.access(path, os.X_OK), f"{program} is not executable")
    for size in ICON_SIZES:
        icon = os.path.join(root, f"usr/share/icons/hicolor/{size}x{size}/apps/alarm.png")
        require(png_size(icon) == (size, size), f"{icon} is {png_size(icon)}")
    entry = desktop_keys(os.path.join(root, "usr/share/applications/io.github.velmora.alarm.desktop"))
    require((entry.get("Exec") or "-").split()[0] in os.listdir(os.path.join(root, "usr/bin")),
            f"Exec={entry.get('Exec')} is not an installed program")
    require(entry.get("Icon") == "alarm", f"Icon={entry.get('Icon')} is not the installed icon")
    # The desktop entry and the metadata, as installed, agree with each other.
    run(["appstreamcli", "validate-tree", "--no-net", root])
    return entry


def replace_alarm_cmd(root, record):
    interpreter = os.path.join(root, "usr/bin/alarm-cmd")
    os.unlink(interpreter)
    with open(interpreter, "w") as stub:
        stub.write(STUB.format(record=record))
    os.chmod(interpreter, 0o755)
    with open(interpreter, "rb") as stub:
        require(stub.read().startswith(b"#!/bin/sh\n# Stands in"), "alarm-cmd was not replaced")


def start_x_server(session):
    read_end, write_end = os.pipe()
    # -ac: the unprivileged program may connect; -nolisten tcp keeps that to this machine;
    # -noreset: a client arriving just as the last one leaves is not turned away by a reset.
    session.start(["Xvfb", "-displayfd", str(write_end), "-ac", "-nolisten", "tcp", "-noreset",
                   "-screen", "0", "1024x768x24"],
                  pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as display:
        number = display.readline().strip()
    require(number.isdigit(), "Xvfb did not report a display")
    return f":{number}"


def xdotool(display, *args):
    try:
        result = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=15,
                                env={**os.environ, "DISPLAY": display})
    except subprocess.TimeoutExpired:
        raise Failure(f"xdotool {' '.join(args)} did not finish")
    return result.stdout.strip() if result.returncode == 0 else ""


def windows_of(display, pid, *criteria):
    return xdotool(display, "search", "--pid", str(pid), *criteria).split()


def screenshot(display, window, where):
    if shutil.which("import"):
        subprocess.run(["import", "-display", display, "-window", window, where],
                       capture_output=True)
        print(f"screenshot of the window: {where}")


def read_record(path):
    """The stub's calls, each as a list of arguments."""
    try:
        with open(path, "rb") as record:
            fields = record.read().split(b"\0")[:-1]
    except FileNotFoundError:
        return []
    calls = []
    while fields:
        count = int(fields.pop(0))
        calls.append([f.decode() for f in fields[:count]])
        del fields[:count]
    return calls


def user_directories(work):
    """The runtime directory, home and stub record directory of "nobody", each its own and 0700."""
    nobody = pwd.getpwnam("nobody")
    directories = [os.path.join(work, d) for d in ("runtime", "home", "out")]
    for directory in directories:
        os.mkdir(directory, 0o700)
        os.chown(directory, nobody.pw_uid, nobody.pw_gid)
    return directories


def run_installed_program(session, root, work, entry, display, runtime, home, record):
    program = os.path.join(root, "usr/bin/alarm")
    bin_dir = os.stat(os.path.dirname(program))
    require(bin_dir.st_uid == 0 and not bin_dir.st_mode & 0o022,
            "the program's directory is writable by others, so the test would prove nothing")
    environment = {
        "PATH": "/usr/bin:/bin",
        "DISPLAY": display,
        "HOME": home,
        "XDG_RUNTIME_DIR": runtime,
        "LANG": "C.UTF-8",
        "TZ": "UTC",
        "QT_QPA_PLATFORM": "xcb",
        "ALARM_CMD_TEST_NEVER_ACT": "1",
        # A bus that is not there: without one named, D-Bus would start a session bus of its own.
        "DBUS_SESSION_BUS_ADDRESS": f"unix:path={work}/no-session-bus",
    }
    # libfaketime is preloaded after the change of user, so its shared clock belongs to "nobody".
    command = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
               "env", f"LD_PRELOAD={FAKETIME_LIBS[0]}", f"FAKETIME=@{FAKE_START}", program]
    started = time.monotonic()
    with open(os.path.join(work, "alarm.log"), "wb") as log:
        alarm = session.start(command, env=environment, stdout=log, stderr=subprocess.STDOUT)
    session.faked_pids.add(alarm.pid)

    # The greeting comes first, showing the (faked) time; Return closes it.
    greeting = wait_for("the greeting", lambda: windows_of(display, alarm.pid, "--name",
                                                          "^Your computer time is :  "), 20)[0]
    title = xdotool(display, "getwindowname", greeting)
    require(re.fullmatch(r"Your computer time is :  23:58:\d\d", title),
            f"greeting says {title!r}: the faked clock did not take")
    xdotool(display, "windowfocus", "--sync", greeting, "key", "Return")

    def main_window():
        for window in windows_of(display, alarm.pid, "--onlyvisible", "--class", "^alarm$"):
            geometry = xdotool(display, "getwindowgeometry", "--shell", window).split()
            if "WIDTH=193" in geometry and "HEIGHT=133" in geometry:
                return window
        return None

    window = wait_for("the main window", main_window, 10)
    # The title alternates between "ALARM" and the time once a second.
    wait_for("the title ALARM", lambda: xdotool(display, "getwindowname", window) == "ALARM", 5)
    wm_class = run(["xprop", "-display", display, "-id", window, "WM_CLASS"])
    require(wm_class.strip().endswith(f'"{entry.get("StartupWMClass")}"'),
            f"the window's {wm_class.strip()} does not match StartupWMClass={entry.get('StartupWMClass')}")

    try:
        # 11 : 59 : PM. A typed character steps a list on by one entry from "nothing selected".
        for position, steps in ((HOUR_LIST, 12), (MINUTES_LIST, 60), (AM_PM_LIST, 2)):
            xdotool(display, "mousemove", "--window", window, *map(str, position), "click", "1")
            time.sleep(0.3)
            xdotool(display, "key", "Escape")  # closes the list's popup, keeps the focus
            time.sleep(0.2)
            xdotool(display, "type", "--delay", "20", "x" * steps)
        time.sleep(0.3)
        xdotool(display, "mousemove", "--window", window, *map(str, SHUT_DOWN_BUTTON), "click", "1")
        pressed = time.monotonic() - started
        require(pressed < SECONDS_BEFORE_TARGET - 2,
                f"arming took {pressed:.0f} s, past the target minute; the test is too slow here")

        script = os.path.join(runtime, SCRIPT_NAME)
        wait_for(f"{script}", lambda: os.path.exists(script), SECONDS_BEFORE_TARGET + 20)
        # The faked clock starts after we note the time, so it never runs ahead of this.
        written = time.monotonic() - started
        require(written >= SECONDS_BEFORE_TARGET,
                f"the script was written {written:.1f} s after start, before the target minute")
        wait_for("the stub to be started", lambda: read_record(record), 10)
        time.sleep(0.5)  # a few more ticks of the watch, each starting alarm-cmd again
    except Failure:
        screenshot(display, window, os.path.join(os.getcwd(), "install_package-failure.png"))
        raise

    with open(script, "rb") as written_script:
        content = written_script.read()
    require(content == SCRIPT_CONTENT, f"the script holds {content!r}")
    calls = read_record(record)
    require(all(call == [script] for call in calls), f"alarm-cmd was started with {calls}")
    # Nothing was left beside the program, and no temporary file in the runtime directory.
    require(sorted(os.listdir(os.path.dirname(program))) == ["alarm", "alarm-cmd"],
            f"files beside the program: {os.listdir(os.path.dirname(program))}")
    # The watch still rewrites the script every 100 ms, each time through a temporary file of a
    # new name: one seen now must be gone once that write is done, or it was left behind.
    in_flight = {f for f in os.listdir(runtime) if f.endswith(".tmp")}
    try:
        wait_for("temporary files to be renamed", lambda: not in_flight & set(os.listdir(runtime)), 5)
    except Failure:
        raise Failure(f"temporary files left in the runtime directory: {sorted(in_flight)}")
    print(f"script written {written:.1f} s after start; alarm-cmd stub started {len(calls)} times")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    cpack, build_dir = sys.argv[1:3]
    if os.getuid() != 0:
        print("SKIP: needs root to run the installed program as another user")
        return 77
    missing = [tool for tool in ("dpkg-shlibdeps", "appstreamcli", "Xvfb", "xdotool", "xprop", "setpriv")
               if shutil.which(tool) is None]
    if not FAKETIME_LIBS:
        missing.append("libfaketime.so.1")
    if missing:
        print(f"FAIL: missing {missing} (Debian packages dpkg-dev appstream xvfb xdotool x11-utils "
              f"util-linux faketime)")
        return 1
    # Second net under the stub: the real alarm-cmd refuses to act when this is set.
    os.environ["ALARM_CMD_TEST_NEVER_ACT"] = "1"

    work = tempfile.mkdtemp(prefix="alarm-package-")
    os.chmod(work, 0o755)  # "nobody" must reach the installed program
    session = Session()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        deb = build_package(cpack, build_dir, os.path.join(work, "package"))
        check_control(deb)
        root = os.path.join(work, "root")
        entry = check_tree(deb, root)
        runtime, home, out = user_directories(work)
        record = os.path.join(out, "alarm-cmd-calls")
        # A stub in place of alarm-cmd before anything can start it.
        replace_alarm_cmd(root, record)
        display = start_x_server(session)
        run_installed_program(session, root, work, entry, display, runtime, home, record)
    except Failure as failure:
        print(f"FAIL: {failure}")
        log = os.path.join(work, "alarm.log")
        if os.path.exists(log):
            with open(log, errors="replace") as output:
                print("output of the program:\n" + output.read())
        return 1
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)
    print("OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
