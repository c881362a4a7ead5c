# SPDX-License-Identifier: MIT
"""The desktop kit: what every harness that runs the real program shares (the end-to-end tests,
the package tests and the benchmarks).

processes  process groups and temporary directories that end with the run, however it ends
x          Xvfb, weston, a private runtime directory and session bus, X helpers and an X watcher
sound      the sound devices, a private PipeWire or PulseAudio server and its recorder, the
           melody as heard, and the sound probe
program    a run of the program, its window read as a screen reader does, the recording stub
packages   building the Debian package and checking it

Nothing started here can power the machine off: a program runs from a directory in which alarm-cmd
is the recording stub (or from a build tree with none beside it), and every process carries
ALARM_CMD_TEST_NEVER_ACT=1, which makes the real interpreter refuse to act.
"""
import os

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD_DIR = os.environ.get("ALARM_BUILD_DIR", os.path.join(REPO, "build"))

# The reaper, before anything else can fail.
from kit import processes  # noqa: E402,F401
