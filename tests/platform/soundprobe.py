# SPDX-License-Identifier: MIT
"""Runs the sound probe (soundprobe.cpp) and reads what it reports."""
import collections
import os
import subprocess

import desktop

BUILD_DIR = os.environ.get("ALARM_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../build"))
PROBE = os.path.join(BUILD_DIR, "tests", "soundprobe")

# One call: "beep" or "speak", its frequency (or "-"), when it began and returned (monotonic
# seconds), and the error it ended with, if any.
Call = collections.namedtuple("Call", "what argument start end error")


def parse(line):
    what, argument, start, end, *error = line.rstrip("\n").split(" ", 4)
    return Call(what, argument, float(start), float(end), error[0] if error else "")


def run(env, *actions, on_call=None, timeout=60):
    """Runs the probe to its end; on_call(index, call) is called as each call is reported."""
    calls = []
    # In a session of its own, as a desktop starts an application: it then gets its own share of
    # the processor rather than a part of the share of the test run that started it.
    with desktop.spawn([PROBE, *actions], env=env, stdout=subprocess.PIPE, text=True) as process:
        try:
            for line in process.stdout:
                calls.append(parse(line))
                if on_call:
                    on_call(len(calls) - 1, calls[-1])
            process.wait(timeout)
        finally:
            if process.poll() is None:
                process.kill()
    if process.returncode != 0:
        raise AssertionError(f"the probe exited with {process.returncode}")
    return calls
