# SPDX-License-Identifier: MIT
"""Checks the desktop entry and the AppStream metadata before they are installed.

Usage: check_data.py DESKTOP_FILE METAINFO_FILE PROJECT_VERSION LICENSE_FILE CHANGELOG

Both files must pass their own validators, name each other consistently, and the metadata must
carry a release entry for the version being built: software centres show the newest entry as the
installed version, so a version bump without one would advertise the old release. The package's
changelog must name the same release, on the same day.
"""
import email.utils
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run_validator(command, package):
    if shutil.which(command[0]) is None:
        failures.append(f"{command[0]} is missing (Debian package {package})")
        return
    result = subprocess.run(command, capture_output=True, text=True)
    check(result.returncode == 0,
          f"{' '.join(command)} failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    # desktop-file-validate exits 0 on hints, but anything it prints is worth fixing.
    if command[0] == "desktop-file-validate":
        check(not result.stdout.strip(), f"desktop-file-validate reported:\n{result.stdout}")


def main():
    desktop_path, metainfo_path, version, license_path, changelog_path = sys.argv[1:6]

    run_validator(["desktop-file-validate", desktop_path], "desktop-file-utils")
    run_validator(["appstreamcli", "validate", "--pedantic", "--no-net", metainfo_path], "appstream")

    component = ET.parse(metainfo_path).getroot()
    app_id = component.findtext("id")
    desktop_name = os.path.basename(desktop_path)

    # The shell and the software centre find the entry by the id; the file names must follow it.
    check(desktop_name == f"{app_id}.desktop",
          f"desktop file {desktop_name} does not carry the component id {app_id}")
    check(os.path.basename(metainfo_path) == f"{app_id}.metainfo.xml",
          f"metainfo file {os.path.basename(metainfo_path)} does not carry the component id {app_id}")
    launchables = [l.text for l in component.findall("launchable[@type='desktop-id']")]
    check(launchables == [desktop_name], f"launchable {launchables} does not name {desktop_name}")

    releases = component.findall("releases/release")
    check(bool(releases), "no release entry")
    if releases:
        newest = releases[0].get("version")
        check(newest == version, f"newest release entry is {newest}, the build is {version}")
        with open(changelog_path, encoding="utf-8") as changelog:
            entry = changelog.read()
        heading = re.match(r"alarm \(([^)]+)\) ", entry)
        trailer = re.search(r"^ -- .+?  (.+)$", entry, re.MULTILINE)
        check(heading and heading.group(1) == version,
              f"the changelog's newest entry is {heading and heading.group(1)}, the build is {version}")
        day = trailer and email.utils.parsedate_to_datetime(trailer.group(1)).date().isoformat()
        check(day == releases[0].get("date"),
              f"the changelog's newest entry is dated {day}, the release entry {releases[0].get('date')}")

    # Both licences are stated, and the project licence is the one in LICENSE.
    with open(license_path, encoding="utf-8") as license_file:
        license_name = license_file.readline().split()[0]
    check(component.findtext("project_license") == license_name,
          f"project_license is {component.findtext('project_license')}, LICENSE says {license_name}")
    check(component.findtext("metadata_license"), "no metadata_license")

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
