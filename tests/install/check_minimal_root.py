# SPDX-License-Identifier: MIT
"""Installs the Debian package on Debian at its smallest and starts the installed program there.

Usage: check_minimal_root.py BUILD_DIR
       check_minimal_root.py --prepare      only make the minimal root, if there is none yet

A throw-away root of this machine's Debian release, made by debootstrap --variant=minbase, gets the
package with apt-get --no-install-recommends, as on minimal systems and in containers; its script
must give alarm-wake its capability. The minimal root and the packages apt fetched into it are kept
in /var/cache/alarm-tests for the next runs on this machine; the root is made anew once it is a week
old. The program then runs in that root as "nobody" on an X server of the test's own: its greeting
box and its window must appear, so the package's Depends alone bring everything it needs to open a
window (Debian 12 ships Qt's X11 plugin in libqt6gui6).

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
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from kit.packages import Failure, built_package, main, require, run  # noqa: E402
from kit.processes import KitError, marks, spawn, temporary_directory, wait_until  # noqa: E402
from kit.program import AlarmRun, install_stub, read_record, refuse_real_interpreter  # noqa: E402
from kit.x import Desktop  # noqa: E402

STUB_RECORD = "/tmp/alarm-cmd-calls"  # inside the root
CACHE = "/var/cache/alarm-tests"
CURRENT_FOR_S = 7 * 24 * 3600


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


def base_system(codename, sources):
    """The minbase tarball of this machine's cache, made when there is none that is current."""
    cache = os.path.join(CACHE, f"{codename}-minbase.tar")
    if os.path.exists(cache) and time.time() - os.path.getmtime(cache) < CURRENT_FOR_S:
        return cache
    os.makedirs(CACHE, exist_ok=True)
    # Removed by the kit's guardian, too, if the run is killed half-way.
    work = temporary_directory("minbase-", directory=CACHE)
    try:
        mirror = next(line.split()[1] for line in sources if line.split()[2] == codename)
        print(f"debootstrap --variant=minbase {codename} (kept in {CACHE} for a week)", flush=True)
        run(["debootstrap", "--variant=minbase", codename, os.path.join(work, "base"), mirror])
        run(["tar", "-C", os.path.join(work, "base"), "-cf", os.path.join(work, "base.tar"), "."])
        os.replace(os.path.join(work, "base.tar"), cache)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return cache


def kept_packages(root, keep):
    """Moves the packages apt fetched between the cache and the root: into the root before apt runs
    (keep=False), back into the cache after it (keep=True), the ones it used replacing the rest."""
    archives, kept = os.path.join(root, "var/cache/apt/archives"), os.path.join(CACHE, "apt-archives")
    source, target = (archives, kept) if keep else (kept, archives)
    if keep:
        shutil.rmtree(kept, ignore_errors=True)
    os.makedirs(target, exist_ok=True)
    for name in os.listdir(source) if os.path.isdir(source) else []:
        if name.endswith(".deb"):
            shutil.copy(os.path.join(source, name), target)


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
    kept_packages(root, keep=False)
    # No pseudo-terminal in the root: apt's log of dpkg's output would want one.
    run(in_root(root, ["apt-get", "-q", "-y", "-o", "Dpkg::Use-Pty=0", "--no-install-recommends", "install",
                       "/tmp/alarm.deb"], **apt))
    kept_packages(root, keep=True)
    installed = set(run(in_root(root, ["dpkg-query", "-W", "-f", "${Package}\\n"])).split())
    require("alarm" in installed, "the package was not installed")
    # The proof is worth something only if nothing merely recommended came along: Qt's Wayland
    # plugin (by us) and its other platform plugins (by libqt6gui6).
    extra = installed & {"qt6-wayland", "qt6-qpa-plugins"}
    require(not extra, f"{sorted(extra)} installed although only recommended")
    # The package's script gave alarm-wake its one capability (getcap comes with libcap2-bin).
    capabilities = run(in_root(root, ["getcap", "/usr/bin/alarm-wake"])).split()
    require(capabilities[1:] == ["cap_wake_alarm=ep"], f"alarm-wake has {capabilities[1:]}")
    # The translations come with the program, also where the root has no locales generated.
    for language, usage in (("de_DE.UTF-8", "Aufruf:"), ("fr_FR.UTF-8", "Usage :"), ("es_ES.UTF-8", "Uso:")):
        printed = run(in_root(root, ["/usr/bin/alarm", "--help"], LANG=language))
        require(printed.startswith(usage), f"alarm --help under {language} printed {printed[:40]!r}")


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


def check(build_dir):
    # In the build directory, so that a run killed outright leaves at most one root behind, which
    # the kit's guardian then removes.
    os.makedirs(os.path.join(build_dir, "minimal-root"), exist_ok=True)
    work = temporary_directory("run-", directory=os.path.join(build_dir, "minimal-root"))
    os.chmod(work, 0o755)
    root = os.path.join(work, "root")
    codename = release()
    sources = archive_sources(codename)
    deb = built_package(build_dir)
    os.mkdir(root, 0o755)
    run(["tar", "-C", root, "-xf", base_system(codename, sources)])
    install(root, deb, sources)
    install_stub(os.path.join(root, "usr/bin/alarm-cmd"), STUB_RECORD)
    start_program(root, Desktop(open_to_all=True, session_bus=False))
    require(not read_record(root + STUB_RECORD), "alarm-cmd was started")


def prepare(_flag):
    codename = release()
    base_system(codename, archive_sources(codename))


if __name__ == "__main__":
    sys.exit(main(__doc__, prepare if sys.argv[1:] == ["--prepare"] else check,
                  ("debootstrap", "unshare", "chroot", "Xvfb", "xdotool", "dpkg-shlibdeps"),
                  "debootstrap util-linux coreutils xvfb xdotool dpkg-dev",
                  root_for="to make and enter a root file system"))
