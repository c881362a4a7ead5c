# SPDX-License-Identifier: MIT
"""Builds the Debian package once for the package tests, which check it side by side.

Usage: build_package.py CPACK BUILD_DIR
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from kit.packages import build_package, main  # noqa: E402


def build(cpack, build_dir):
    print(build_package(cpack, build_dir))


if __name__ == "__main__":
    sys.exit(main(__doc__, build, ("dpkg-shlibdeps",), "dpkg-dev", arguments=2))
