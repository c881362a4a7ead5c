# SPDX-License-Identifier: MIT
"""Builds the Debian package and looks at it as a packager and a software centre would.

Usage: check_debian.py BUILD_DIR

- lintian --pedantic reports nothing at error, warning or info level;
- the programs are built hardened: stack protector, checked buffer functions, PIE, full RELRO;
- Qt's Wayland plugin is recommended, so that Wayland sessions do not fall back to XWayland;
- appstreamcli compose, which builds a software centre's catalogue, takes the application in with
  icons of 64 and 128 pixels: without them the application is left out of the catalogue.

Needs lintian, binutils, dpkg-dev and appstream-compose.
"""
import gzip
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from kit.packages import built_package, main, require, run  # noqa: E402
from kit.processes import temporary_directory  # noqa: E402

PROGRAMS = ("usr/bin/alarm", "usr/bin/alarm-cmd", "usr/bin/alarm-wake")


def check_lintian(deb):
    result = subprocess.run(["lintian", "--pedantic", "-I", "--fail-on", "error,warning,info",
                             "--tag-display-limit", "0", deb], capture_output=True, text=True)
    print(result.stdout, end="")
    require(result.returncode == 0, f"lintian failed ({result.returncode}):\n{result.stdout}{result.stderr}")


def check_hardening(root):
    for program in PROGRAMS:
        elf = run(["readelf", "-W", "--file-header", "--program-headers", "--dynamic", "--dyn-syms",
                   os.path.join(root, program)])
        symbols = set(re.findall(r"\b(__\w+_chk|__stack_chk_fail)\b", elf))
        missing = [what for what, present in (
            ("PIE", re.search(r"Type:\s+DYN", elf) and re.search(r"FLAGS_1\).*\bPIE\b", elf)),
            ("RELRO", "GNU_RELRO" in elf),
            ("bind-now", re.search(r"\(FLAGS\).*\bBIND_NOW\b", elf)),
            ("stack protector", "__stack_chk_fail" in symbols),
            ("checked buffer functions", symbols - {"__stack_chk_fail"}),
        ) if not present]
        require(not missing, f"{program} is built without {', '.join(missing)}")


def check_recommends(deb):
    recommends = run(["dpkg-deb", "--field", deb, "Recommends"])
    require("qt6-wayland" in re.split(r"[\s,|]+", recommends), f"Recommends: {recommends.strip()}")


def check_catalogue(root, work):
    catalogue = os.path.join(work, "catalogue")
    result = subprocess.run(["appstreamcli", "compose", "--no-net", "--origin=alarm",
                             f"--result-root={catalogue}", root], capture_output=True, text=True)
    require(result.returncode == 0, f"appstreamcli compose failed:\n{result.stdout}{result.stderr}")
    with gzip.open(os.path.join(catalogue, "usr/share/swcatalog/xml/alarm.xml.gz")) as xml:
        components = ET.parse(xml).getroot().findall("component")
    require(len(components) == 1, f"the catalogue holds {len(components)} components")
    cached = {icon.get("width") for icon in components[0].findall("icon[@type='cached']")}
    require({"64", "128"} <= cached, f"the catalogue caches icons of widths {sorted(cached)} only")


def check(build_dir):
    work = temporary_directory("alarm-debian-")
    deb = built_package(build_dir)
    root = os.path.join(work, "root")
    run(["dpkg", "-x", deb, root])
    check_lintian(deb)
    check_hardening(root)
    check_recommends(deb)
    check_catalogue(root, work)


if __name__ == "__main__":
    sys.exit(main(__doc__, check, ("lintian", "readelf", "dpkg-shlibdeps", "appstreamcli",
                                   "/usr/libexec/appstreamcli-compose"),
                  "lintian binutils dpkg-dev appstream-compose"))
