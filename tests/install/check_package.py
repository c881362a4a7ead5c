# SPDX-License-Identifier: MIT
"""Builds the Debian package, unpacks it into a throw-away root and runs the installed program.

Usage: check_package.py BUILD_DIR

The installed alarm-cmd is replaced by the kit's recording stub before anything is started, and
ALARM_CMD_TEST_NEVER_ACT is set as well, so nothing here can power the machine off. The program
then runs as an unprivileged user, who cannot write beside it, on a faked clock shortly before
23:59; the test arms a shut-down for 11:59 PM through the window and checks that the script lands
in the user's runtime directory and is handed to the stub.

Needs root (to run the program as "nobody") and Xvfb, xdotool, x11-utils, dpkg-dev, appstream,
faketime and util-linux's setpriv. Exits 77 (skipped) when not root.
"""
import os
import pwd
import re
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from kit.packages import Failure, built_package, main, require, run  # noqa: E402
from kit.processes import KitError, marks, temporary_directory, wait_until  # noqa: E402
from kit.program import GREETING_TITLE, SCRIPT_BYTES, AlarmRun, faked_clock, install_stub, read_record  # noqa: E402
from kit.x import Desktop  # noqa: E402

FAKE_START = "2026-12-07 23:58:40"
SECONDS_BEFORE_TARGET = 20  # from FAKE_START to 23:59:00
SCRIPT_NAME = "Shut down.bat"

ICON_SIZES = (16, 32, 48, 64, 128, 256)
APP_ID = "io.github.velmora.alarm"
EXPECTED_FILES = {
    "usr/bin/alarm",
    "usr/bin/alarm-cmd",
    "usr/bin/alarm-wake",
    "usr/share/applications/io.github.velmora.alarm.desktop",
    "usr/share/metainfo/io.github.velmora.alarm.metainfo.xml",
    *(f"usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png" for size in ICON_SIZES),
    f"usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg",
    "usr/share/man/man1/alarm.1.gz",
    "usr/share/man/man1/alarm-cmd.1.gz",
    "usr/share/man/man1/alarm-wake.1.gz",
    "usr/share/doc/alarm/copyright",
    "usr/share/doc/alarm/changelog.gz",
}


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
                   "fonts-liberation", "libcap2-bin"):
        require(needed in depends, f"Depends lacks {needed}: {fields.get('Depends')}")
    # The one capability the package gives, to the one program that needs it, and nothing else.
    postinst = run(["dpkg-deb", "--info", deb, "postinst"])
    granted = [line.split() for line in postinst.splitlines() if "setcap" in line.split()]
    require(granted == [["if", "!", "setcap", "cap_wake_alarm=ep", "/usr/bin/alarm-wake;", "then"]],
            f"the postinst grants {granted}")
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
    for program in ("alarm", "alarm-cmd", "alarm-wake"):
        path = os.path.join(root, "usr/bin", program)
        require(os.access(path, os.X_OK), f"{program} is not executable")
    for size in ICON_SIZES:
        icon = os.path.join(root, f"usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png")
        require(png_size(icon) == (size, size), f"{icon} is {png_size(icon)}")
    entry = desktop_keys(os.path.join(root, "usr/share/applications/io.github.velmora.alarm.desktop"))
    require((entry.get("Exec") or "-").split()[0] in os.listdir(os.path.join(root, "usr/bin")),
            f"Exec={entry.get('Exec')} is not an installed program")
    # Named for the application id, which no theme's icon of its own can shadow.
    require(entry.get("Icon") == APP_ID, f"Icon={entry.get('Icon')} is not the installed icon")
    # The desktop entry and the metadata, as installed, agree with each other.
    run(["appstreamcli", "validate-tree", "--no-net", root])
    return entry


def run_installed_program(root, entry):
    program = os.path.join(root, "usr/bin/alarm")
    bin_dir = os.stat(os.path.dirname(program))
    require(bin_dir.st_uid == 0 and not bin_dir.st_mode & 0o022,
            "the program's directory is writable by others, so the test would prove nothing")
    desktop = Desktop(open_to_all=True, session_bus=False)
    alarm = AlarmRun(desktop, FAKE_START, sound="none", program=program)
    # "nobody" reads the sound configuration and owns its runtime directory, home and stub record.
    nobody = pwd.getpwnam("nobody")
    os.chmod(alarm.tmp, 0o755)
    home, out = os.path.join(alarm.tmp, "home"), os.path.join(alarm.tmp, "out")
    for directory in (alarm.runtime_dir, home, out):
        os.makedirs(directory, 0o700, exist_ok=True)
        os.chown(directory, nobody.pw_uid, nobody.pw_gid)
    alarm.record = os.path.join(out, "alarm-cmd-calls")
    install_stub(os.path.join(root, "usr/bin/alarm-cmd"), alarm.record)

    # Nothing from the builder's environment: what the installed program needs, it gets here. The
    # session bus is one that is not there, or D-Bus would start one of its own.
    environment = {"PATH": "/usr/bin:/bin", "DISPLAY": desktop.display, "HOME": home,
                   "XDG_RUNTIME_DIR": alarm.runtime_dir, "LANG": "C.UTF-8", "TZ": "UTC", "QT_QPA_PLATFORM": "xcb",
                   "DBUS_SESSION_BUS_ADDRESS": f"unix:path={alarm.tmp}/no-session-bus",
                   **alarm.sound.environment(), **marks()}
    # libfaketime is preloaded after the change of user, so its shared clock belongs to "nobody".
    clock = [f"{name}={value}" for name, value in faked_clock(FAKE_START, program).items()]
    started = time.monotonic()
    alarm.start(environment, ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "env", *clock])
    try:
        # The greeting comes first, showing the (faked) time; Return closes it.
        greeting = alarm.wait_for_window(lambda _, title: title.startswith(GREETING_TITLE),
                                         what="the greeting")
        title = alarm.windows()[greeting]
        require(re.fullmatch(r"Your computer time is :  23:58:\d\d", title),
                f"greeting says {title!r}: the faked clock did not take")
        window = alarm.dismiss_greeting()
        # The title alternates between "ALARM" and the time once a second.
        wait_until(lambda: alarm.title() == "ALARM", 5, what="the title ALARM")
        wm_class = desktop.x.run("xprop", "-id", window, "WM_CLASS")
        require(wm_class.endswith(f'"{entry.get("StartupWMClass")}"'),
                f"the window's {wm_class} does not match StartupWMClass={entry.get('StartupWMClass')}")

        alarm.pick_with_keys(12, 60, 2)  # 11 : 59 : PM
        alarm.click("Shutdown")
        pressed = time.monotonic() - started
        require(pressed < SECONDS_BEFORE_TARGET - 2,
                f"arming took {pressed:.0f} s, past the target minute; the test is too slow here")

        script = os.path.join(alarm.runtime_dir, SCRIPT_NAME)
        wait_until(lambda: os.path.exists(script), SECONDS_BEFORE_TARGET + 20, what=script)
        # The faked clock starts after we note the time, so it never runs ahead of this.
        written = time.monotonic() - started
        require(written >= SECONDS_BEFORE_TARGET,
                f"the script was written {written:.1f} s after start, before the target minute")
        wait_until(lambda: read_record(alarm.record), 10, what="the stub to be started")
        # The watch rewrites the script at every tick; leftovers are judged once it has stopped.
        alarm.close_window()
        alarm.app.wait(10)
        require(alarm.app.returncode == 0, f"the program ended with {alarm.app.returncode} when closed")
    except (Failure, KitError) as failure:
        raise Failure(f"{failure}\noutput of the program:\n{alarm.output()}") from None

    with open(script, "rb") as written_script:
        content = written_script.read()
    require(content == SCRIPT_BYTES, f"the script holds {content!r}")
    calls = read_record(alarm.record)
    require(all(call == [script] for call in calls), f"alarm-cmd was started with {calls}")
    # Nothing was left beside the program, and no temporary file in the runtime directory.
    require(sorted(os.listdir(os.path.dirname(program))) == ["alarm", "alarm-cmd", "alarm-wake"],
            f"files beside the program: {os.listdir(os.path.dirname(program))}")
    leftovers = [f for f in os.listdir(alarm.runtime_dir) if f.endswith(".tmp")]
    require(not leftovers, f"temporary files left in the runtime directory: {leftovers}")
    print(f"script written {written:.1f} s after start; alarm-cmd stub started {len(calls)} times")


def check(build_dir):
    work = temporary_directory("alarm-package-")
    deb = built_package(build_dir)
    check_control(deb)
    root = os.path.join(work, "root")
    os.chmod(work, 0o755)  # "nobody" must reach the installed program
    entry = check_tree(deb, root)
    run_installed_program(root, entry)


if __name__ == "__main__":
    sys.exit(main(__doc__, check, ("dpkg-shlibdeps", "appstreamcli", "Xvfb", "xdotool", "xprop", "setpriv"),
                  "dpkg-dev appstream xvfb xdotool x11-utils util-linux",
                  root_for="to run the installed program as another user"))
