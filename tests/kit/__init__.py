# SPDX-License-Identifier: MIT
"""The desktop kit: what every harness that runs the real program shares (the end-to-end tests,
the package tests and the benchmarks), in processes, x, sound, program and packages. Nothing started
here can power the machine off: a program runs from a directory in which alarm-cmd is the recording
stub (or from a build tree with none beside it), and every process carries
ALARM_CMD_TEST_NEVER_ACT=1, which makes the real interpreter refuse to act. Nor can anything here
suspend it or reach its system bus: every process is given a system bus address that leads nowhere,
or a private bus with stand-ins of its services (kit.power).
"""
import os

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD_DIR = os.environ.get("ALARM_BUILD_DIR", os.path.join(REPO, "build"))

# The reaper, before anything else can fail.
from kit import processes  # noqa: E402,F401
