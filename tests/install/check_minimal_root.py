# SPDX-License-Identifier: MIT
"""Installs the Debian package on Debian at its smallest and starts the installed program there.

Usage: check_minimal_root.py CPACK BUILD_DIR

A throw-away root of this machine's Debian release, made by debootstrap --variant=minbase (kept in
BUILD_DIR/minimal-root once downloaded), gets the package with apt-get --no-install-recommends, as
on minimal systems and in containers. The program then runs in that root as "nobody" on an X
server of the test's own: its greeting box and its window must appear, so the package's Depends
alone bring everything it needs to open a window (Debian 12 ships Qt's X11 plugin in libqt6gui6).

The root runs in its own mount and PID namespaces: its /proc goes with it, and ending the namespace
ends every process in it. alarm-cmd is replaced by the kit's recording stub, ALARM_CMD_TEST_NEVER_ACT
is set, the root has no path to the system bus, and the test never arms a shut-down.

Needs root, network access to the Debian archive, debootstrap, util-linux, Xvfb and xdotool.
Exits 77 (skipped) when not root.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from kit.packages import Failure, build_package, main, require, run  # noqa: E402
from kit.processes import KitError, marks, spawn, temporary_directory, wait_until  # noqa: E402
from kit.program import AlarmRun, install_stub, read_record, refuse_real_interpreter  # noqa: E402
from kit.x import Desktop  # noqa: E402

STUB_RECORD = "/tmp/alarm-cmd-calls"  # inside the root


def release():
    with open("/etc/os-release") as os_release:
        fields = dict(line.rstrip("\n").split("=", 1) for line in os_release if "=" in line)
    return fields["VERSION_CODENAME"].strip('"')


def archive_sources(codename):
    """This machine's Debian archive lines for its release, its updates and its security fixes."""
    targets = run(["apt-get", "indextargets", "--format", "$(REPO_URI) $(RELEASE) $(COMPONENT)",
                   "Created-By: Packages"]).split("\n")
    lines = sorted({f"deb {line}" for line in targets if line.split()[1:2] and
                    line.split()[1].split("-")[0] == codename and line.split()[2] == "main"})
    require(lines, f"apt knows no archive for {codename} main; run apt-get update")
    return lines


def base_system(build_dir, codename, sources, work):
    """The minbase tarball, made once a build directory."""
    cache = os.path.join(build_dir, "minimal-root", f"{codename}-minbase.tar")
    if not os.path.exists(cache):
        base = os.path.join(work, "base")
        mirror = next(line.split()[1] for line in sources if line.split()[2] == codename)
        print(f"debootstrap --variant=minbase {codename} (once for this build directory)", flush=True)
        run(["debootstrap", "--variant=minbase", codename, base, mirror])
        run(["tar", "-C", base, "-cf", cache + ".part", "."])
        os.rename(cache + ".part", cache)
        shutil.rmtree(base)
    return cache


def in_root(root, command, user=None, **kwargs):
    """The command in the root, in namespaces of its own, with a clean environment."""
    userspec = [f"--userspec={user}"] if user else []
    return ["unshare", "--mount", "--pid", "--fork", "--kill-child", f"--mount-proc={root}/proc",
            "chroot", *userspec, root, "env", "-i", "PATH=/usr/sbin:/usr/bin:/sbin:/bin",
            *[f"{key}={value}" for key, value in kwargs.items()], *command]


def install(root, deb, sources):
    with open(os.path.join(root, "etc/apt/sources.list"), "w") as sources_list:
        sources_list.write("\n".join(sources) + "\n")
    shutil.copy("/etc/resolv.conf", os.path.join(root, "etc/resolv.conf"))
    # No service in the root is ever started by a package's scripts.
    policy = os.path.join(root, "usr/sbin/policy-rc.d")
    with open(policy, "w") as script:
        script.write("#!/bin/sh\nexit 101\n")
    os.chmod(policy, 0o755)
    shutil.copy(deb, os.path.join(root, "tmp/alarm.deb"))
    apt = dict(DEBIAN_FRONTEND="noninteractive")
    run(in_root(root, ["apt-get", "-q", "update"], **apt))
    # No pseudo-terminal in the root: apt's log of dpkg's output would want one.
    run(in_root(root, ["apt-get", "-q", "-y", "-o", "Dpkg::Use-Pty=0", "--no-install-recommends", "install",
                       "/tmp/alarm.deb"], **apt))
    installed = set(run(in_root(root, ["dpkg-query", "-W", "-f", "${Package}\\n"])).split())
    require("alarm" in installed, "the package was not installed")
    # The proof is worth something only if nothing merely recommended came along: Qt's Wayland
    # plugin (by us) and its other platform plugins (by libqt6gui6).
    extra = installed & {"qt6-wayland", "qt6-qpa-plugins"}
    require(not extra, f"{sorted(extra)} installed although only recommended")


def start_program(root, desktop):
    for directory in ("tmp/runtime", "tmp/home"):
        os.mkdir(os.path.join(root, directory), 0o700)
        shutil.chown(os.path.join(root, directory), "nobody", "nogroup")
    alarm = AlarmRun(desktop, sound="none", program=os.path.join(root, "usr/bin/alarm"))
    refuse_real_interpreter(alarm.program)
    # Its pid in the root's namespace is not the one X is told, so its windows are found by class;
    # nothing else draws on this X server.
    alarm.search = ("--class", "^alarm$")
    # The kit's marks go into the root as well, so that whatever runs there is found at the end.
    command = in_root(root, ["/usr/bin/alarm"], user="nobody:nogroup", DISPLAY=desktop.display,
                      XDG_RUNTIME_DIR="/tmp/runtime", HOME="/tmp/home", LANG="C.UTF-8", **marks())
    with open(alarm.log, "wb") as log:
        # unshare's --kill-child then takes every process in the root with it.
        alarm.app = spawn(command, stdout=log, stderr=subprocess.STDOUT)
    try:
        alarm.dismiss_greeting(timeout=60)
        wait_until(lambda: alarm.title() == "ALARM", 5, what="the title ALARM")
    except KitError as failure:
        raise Failure(f"{failure}\noutput of the program:\n{alarm.output()}") from None


def check(cpack, build_dir):
    # In the build directory, so that a run killed outright leaves at most one root behind, which
    # the kit's guardian then removes.
    os.makedirs(os.path.join(build_dir, "minimal-root"), exist_ok=True)
    work = temporary_directory("run-", directory=os.path.join(build_dir, "minimal-root"))
    os.chmod(work, 0o755)
    root = os.path.join(work, "root")
    codename = release()
    sources = archive_sources(codename)
    deb = build_package(cpack, build_dir, os.path.join(work, "package"))
    os.mkdir(root, 0o755)
    run(["tar", "-C", root, "-xf", base_system(build_dir, codename, sources, work)])
    install(root, deb, sources)
    install_stub(os.path.join(root, "usr/bin/alarm-cmd"), STUB_RECORD)
    start_program(root, Desktop(open_to_all=True, session_bus=False))
    require(not read_record(root + STUB_RECORD), "alarm-cmd was started")


if __name__ == "__main__":
    sys.exit(main(__doc__, check, ("debootstrap", "unshare", "chroot", "Xvfb", "xdotool", "dpkg-shlibdeps"),
                  "debootstrap util-linux coreutils xvfb xdotool dpkg-dev",
                  root_for="to make and enter a root file system"))
