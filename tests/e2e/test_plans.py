# SPDX-License-Identifier: MIT
"""The two plans carried out by the real program, its clock set two seconds before the target."""
import os
import re
import threading
import time
import unittest

from harness import SCRIPT_BYTES, SessionTest, wait_until

MELODY = [500, 650, 800, 950, 950, 800, 650, 500]


def sound_bursts(growth, quiet=0.4):
    """Groups (time, size) samples of the growing sound file into bursts of output."""
    bursts = []
    for (t0, size0), (t1, size1) in zip(growth, growth[1:]):
        if size1 == size0:
            continue
        if bursts and t1 - bursts[-1]["end"] < quiet:
            bursts[-1].update(end=t1, last=size1)
        else:
            bursts.append({"start": t1, "end": t1, "first": size0, "last": size1})
    return bursts


def steady_tones(samples, rate):
    """(frequency, seconds) of each stretch of steady tone at the level the program's tones have;
    the short fades between tones separate them, and speech is seldom steady long enough."""
    block = rate // 500
    tones, start = [], None
    for i in range(0, len(samples) - block + 1, block):
        rms = (sum(v * v for v in samples[i:i + block]) / block) ** 0.5
        steady = 8000 < rms < 14000
        if steady and start is None:
            start = i
        elif not steady and start is not None:
            if i - start >= rate * 0.08:
                stretch = samples[start:i]
                crossings = sum(1 for a, b in zip(stretch, stretch[1:]) if (a < 0) != (b < 0))
                tones.append((crossings * rate / (2 * len(stretch)), (i - start) / rate))
            start = None
    return tones


class SoundWatch(threading.Thread):
    """Samples the size of the growing sound file every 20 ms, beside whatever the test does."""

    def __init__(self, sound):
        super().__init__(daemon=True)
        self.sound, self.growth, self.done = sound, [], threading.Event()
        self.start()

    def run(self):
        while not self.done.wait(0.02):
            self.growth.append((time.monotonic(), self.sound.size()))

    def stop(self):
        self.done.set()
        self.join()
        return self.growth


class Alarm(SessionTest):
    fake_time = "2026-12-07 19:29:58"

    def test_speaks_then_rings_every_two_seconds_until_off(self):
        s = self.session
        self.start()
        sound = s.sound

        def quiet():
            watch = SoundWatch(sound)
            time.sleep(0.6)
            return not sound_bursts(watch.stop())
        wait_until(lambda: sound.size() and quiet(), 10, what="the greeting to be spoken")
        greeting_end = sound.size()
        s.pick_with_keys(8, 31, 2)  # 07 : 30 : PM
        s.wait_for_control("Alarmon", lambda c: c["enabled"])
        watch = SoundWatch(sound)
        s.click("Alarmon")
        armed = time.monotonic()
        time.sleep(9)
        s.click("Alarmoff")
        # A busy program may still start a melody before it takes the click; none may start after.
        s.wait_for_control("Alarmon", lambda c: c["visible"], what="OFF to be taken")
        off_taken = time.monotonic()
        time.sleep(4.5)
        growth = watch.stop()
        # Closing lets the sound device write out what it still holds.
        s.close_window()
        s.app.wait(5)

        bursts = [b for b in sound_bursts(growth) if b["last"] > greeting_end]
        self.assertGreaterEqual(len(bursts), 4, bursts)
        speech, melodies = bursts[0], bursts[1:]
        self.assertLess(speech["start"] - armed, 4.0)
        rate = sound.rate()
        spoken = sound.samples(speech["first"], speech["last"])
        self.assertTrue(1.0 < len(spoken) / rate < 6.0, len(spoken) / rate)
        self.assertGreater(max(abs(v) for v in spoken), 3000)

        # A melody every two seconds, each the eight tones in order, and nothing after OFF.
        for earlier, later in zip(melodies, melodies[1:]):
            self.assertAlmostEqual(later["start"] - earlier["start"], 2.0, delta=0.35)
        tones = steady_tones(sound.samples(speech["last"]), rate)
        self.assertEqual(len(tones), 8 * len(melodies), tones)
        for i, (frequency, seconds) in enumerate(tones):
            want = MELODY[i % 8]
            self.assertAlmostEqual(frequency, want, delta=want * 0.03)
            self.assertAlmostEqual(seconds, 0.125, delta=0.015)
        self.assertLess(melodies[-1]["start"], off_taken + 0.1)


def arm_shutdown(test):
    s = test.session
    test.start()
    s.pick_with_keys(12, 60, 2)  # 11 : 59 : PM
    s.wait_for_control("Shutdown", lambda c: c["enabled"])
    s.click("Shutdown")
    s.wait_for_control("Alarmoff", lambda c: c["visible"])


class Shutdown(SessionTest):
    fake_time = "2026-12-07 23:58:57"

    def test_writes_and_starts_the_script_at_the_target(self):
        s = self.session
        arm_shutdown(self)
        script = os.path.join(s.program_dir, "Shut down.bat")
        starts = wait_until(s.interpreter_starts, 8, what="the interpreter to be started")
        self.assertEqual(starts[0], [script])
        with open(script, "rb") as f:
            self.assertEqual(f.read(), SCRIPT_BYTES)
        # Every watch tick of the minute starts another attempt.
        wait_until(lambda: len(s.interpreter_starts()) >= 5, 3, what="repeated attempts")
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"])
        settled = len(s.interpreter_starts())
        time.sleep(0.5)
        self.assertLessEqual(len(s.interpreter_starts()), settled + 1)


class ShutdownCancelled(SessionTest):
    fake_time = "2026-12-07 23:58:42"

    def test_off_before_the_target_leaves_nothing(self):
        s = self.session
        arm_shutdown(self)
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"])
        self.assertLess(time.monotonic() - s.started, 17, "cancelled too late to tell")
        # The title shows the program's own clock every other second: wait until it is well into 23:59.
        wait_until(lambda: re.fullmatch(r"23:59:(0[2-9]|[1-5]\d)|00:.*", s.title()), 40,
                   what="the program's clock to pass 23:59:02")
        self.assertFalse(os.path.exists(os.path.join(s.program_dir, "Shut down.bat")))
        self.assertEqual(s.interpreter_starts(), [])


class NoSoundDevice(SessionTest):
    """Without any sound device the program still starts, arms and rings, silently."""
    fake_time = "2026-12-07 07:29:59"
    sound = "none"

    def test_arms_and_rings_without_sound(self):
        s = self.session
        self.start()
        s.pick_with_keys(8, 31, 1)  # 07 : 30 : AM
        s.wait_for_control("Alarmon", lambda c: c["enabled"])
        s.click("Alarmon")
        time.sleep(5)  # the target minute has come and gone through two ringing ticks
        self.assertIsNone(s.app.poll())
        self.assertIsNone(s.box_texts())
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"], timeout=3)


if __name__ == "__main__":
    unittest.main()
