# SPDX-License-Identifier: MIT
"""Runs the sound probe (soundprobe.cpp) and reads what it reports, and finds the program's
sounds in a recording of the sink."""
import collections
import os
import subprocess

import soundserver

BUILD_DIR = os.environ.get("ALARM_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../build"))
PROBE = os.path.join(BUILD_DIR, "tests", "soundprobe")
MELODY = [500, 650, 800, 950, 950, 800, 650, 500]

# One call: "beep" or "speak", its frequency (or "-"), when it began and returned (monotonic
# seconds), and the error it ended with, if any.
Call = collections.namedtuple("Call", "what argument start end error")


def parse(line):
    what, argument, start, end, *error = line.rstrip("\n").split(" ", 4)
    return Call(what, argument, float(start), float(end), error[0] if error else "")


def run(env, *actions, on_call=None, timeout=60):
    """Runs the probe to its end; on_call(index, call) is called as each call is reported."""
    process = subprocess.Popen([PROBE, *actions], env=env, stdout=subprocess.PIPE, text=True)
    calls = []
    try:
        for line in process.stdout:
            calls.append(parse(line))
            if on_call:
                on_call(len(calls) - 1, calls[-1])
        process.wait(timeout)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    if process.returncode != 0:
        raise AssertionError(f"the probe exited with {process.returncode}")
    return calls


def phrases(stretches, pause_ms=200):
    """Groups stretches of sound that follow each other within pause_ms into phrases."""
    groups = []
    for stretch in stretches:
        if groups and (stretch[0] - groups[-1][-1][1]) * 1000 / soundserver.RATE < pause_ms:
            groups[-1].append(stretch)
        else:
            groups.append([stretch])
    return groups


class Melody:
    """A phrase heard at the sink, read as the ringing melody."""

    def __init__(self, recording, stretches):
        self.recording = recording
        self.stretches = stretches
        samples = recording.samples()
        ms = 1000 / soundserver.RATE
        self.frequencies = [soundserver.frequency(samples[a:b]) for a, b in stretches]
        self.lengths_ms = [(b - a) * ms for a, b in stretches]
        # Between two joined tones the fades leave about 2 ms below the threshold.
        self.joints_ms = [(b[0] - a[1]) * ms for a, b in zip(stretches, stretches[1:])]
        self.span_ms = (stretches[-1][1] - stretches[0][0]) * ms
        self.start = recording.time_of(stretches[0][0])
        self.end = recording.time_of(stretches[-1][1])

    def problems(self, joint_ms=8, span_ms=(990, 1050)):
        """What is wrong with it as one seamless phrase of the eight tones; empty when nothing."""
        found = []
        if len(self.stretches) != len(MELODY):
            found.append(f"{len(self.stretches)} tones instead of {len(MELODY)}: lengths {self.lengths_ms}")
        else:
            for i, (got, want) in enumerate(zip(self.frequencies, MELODY)):
                if abs(got - want) > want * 0.03:
                    found.append(f"tone {i + 1} at {got:.0f} Hz instead of {want}")
        if any(joint > joint_ms for joint in self.joints_ms):
            found.append(f"gaps between tones: {[round(j, 1) for j in self.joints_ms]} ms")
        if not span_ms[0] <= self.span_ms <= span_ms[1]:
            found.append(f"the melody lasts {self.span_ms:.1f} ms")
        return found


def melodies(recording, begin=0, end=None):
    return [Melody(recording, group) for group in phrases(recording.sounds(begin, end))]
