# SPDX-License-Identifier: MIT
"""Building the Debian package and checking it, for the package tests (tests/install/check_*.py),
and which Debian packages a harness lacks."""
import os
import shutil
import subprocess
import sys

from kit.processes import KitError


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


def package_directory(build_dir):
    """Where the package the tests check is built, once a run (tests/install/build_package.py)."""
    return os.path.join(build_dir, "test-package")


def build_package(cpack, build_dir):
    out_dir = package_directory(build_dir)
    shutil.rmtree(out_dir, ignore_errors=True)
    # Under a strict umask, so that the package's modes cannot come from the builder's.
    run([cpack, "-G", "DEB", "-B", out_dir, "--config", os.path.join(build_dir, "CPackConfig.cmake")],
        cwd=build_dir, umask=0o077)
    return built_package(build_dir)


def built_package(build_dir):
    """The package that build_package made for this run."""
    out_dir = package_directory(build_dir)
    debs = [f for f in os.listdir(out_dir) if f.endswith(".deb")] if os.path.isdir(out_dir) else []
    require(len(debs) == 1, f"no single package in {out_dir}: {debs}")
    return os.path.join(out_dir, debs[0])


def missing_packages(names):
    """The Debian packages of names that are not installed."""
    def installed(name):
        return "install ok installed" in subprocess.run(["dpkg-query", "-W", "-f=${Status}", name],
                                                        capture_output=True, text=True).stdout
    return [name for name in names if not installed(name)]


def main(usage, check, tools, packages, root_for=None, arguments=1):
    """Runs check(*arguments) from the command line as a package test: the usage when the
    arguments are wrong; exit status 77 (skipped) without root when root_for says what it is needed
    for; a failure naming the Debian packages when a tool (a name on PATH or a path) is missing;
    then FAIL with what went wrong, or OK."""
    if len(sys.argv) != 1 + arguments:
        print(usage, file=sys.stderr)
        return 2
    if root_for and os.getuid() != 0:
        print(f"SKIP: needs root {root_for}")
        return 77
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        print(f"FAIL: missing {missing} (Debian packages {packages})")
        return 1
    try:
        check(*sys.argv[1:])
    except (Failure, KitError) as failure:
        print(f"FAIL: {failure}")
        return 1
    print("OK")
    return 0
