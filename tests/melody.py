# SPDX-License-Identifier: MIT
"""The ringing melody as heard in a recording of the sink (tests/soundserver.py)."""
import soundserver

MELODY = [500, 650, 800, 950, 950, 800, 650, 500]


def phrases(stretches, pause_ms=200):
    """Groups stretches of sound that follow each other within pause_ms into phrases."""
    groups = []
    for stretch in stretches:
        if groups and (stretch[0] - groups[-1][-1][1]) * 1000 / soundserver.RATE < pause_ms:
            groups[-1].append(stretch)
        else:
            groups.append([stretch])
    return groups


# Longer than one tone as heard, shorter than two.
TONE_EXTENT_MS = 135


def within_tones(stretches):
    """Groups the pieces of each tone: a tone the server broke with a moment of silence comes as
    several. Every tone is handed to the server whole, so silence inside one is the server's: a
    loaded machine can make its graph miss a cycle for any stream. Silence between two tones,
    where the program's timing counts, stays a gap."""
    tones = []
    for stretch in stretches:
        if tones and (stretch[1] - tones[-1][0][0]) * 1000 / soundserver.RATE <= TONE_EXTENT_MS:
            tones[-1].append(stretch)
        else:
            tones.append([stretch])
    return tones


class Melody:
    """A phrase heard at the sink, read as the ringing melody."""

    def __init__(self, recording, stretches):
        self.recording = recording
        tones = within_tones(stretches)
        self.dropouts = len(stretches) - len(tones)
        self.stretches = stretches = [(pieces[0][0], pieces[-1][1]) for pieces in tones]
        samples = recording.samples()
        ms = 1000 / soundserver.RATE
        self.frequencies = [soundserver.frequency(samples[slice(*max(pieces, key=lambda p: p[1] - p[0]))])
                            for pieces in tones]
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
    """The phrases from sample `begin` on that are the melody rather than speech: several
    stretches, most of them a tone's length. A melody with a flaw is still one, to be told of."""
    found = []
    for group in phrases(recording.sounds(begin, end)):
        raw_lengths = [(b - a) * 1000 / soundserver.RATE for a, b in group]
        tone_like = [length for length in raw_lengths if 100 <= length <= 150]
        if len(group) >= 4 and len(tone_like) * 2 > len(group):
            found.append(Melody(recording, group))
    return found


def speech_before(recording, melody, begin=0):
    """(start, end) sample indexes of the sound before a melody that is not part of any."""
    before = [s for s in recording.sounds(begin, melody.stretches[0][0])]
    return (before[0][0], before[-1][1]) if before else None
