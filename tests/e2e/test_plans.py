# SPDX-License-Identifier: MIT
"""The two plans carried out by the real program, its clock set two seconds before the target."""
import os
import time
import unittest

from harness import SCRIPT_BYTES, SessionTest, close_window, pick_with_keys, steady_tones, wait_until, wav_rate, wav_samples

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


class Alarm(SessionTest):
    fake_time = "2026-12-07 19:29:58"

    def watch_sound(self, seconds):
        growth, deadline = [], time.monotonic() + seconds
        while time.monotonic() < deadline:
            size = os.path.getsize(self.session.wav) if os.path.exists(self.session.wav) else 0
            growth.append((time.monotonic(), size))
            time.sleep(0.02)
        return growth

    def test_speaks_then_rings_every_two_seconds_until_off(self):
        s = self.session
        s.start()
        s.dismiss_greeting()
        wait_until(lambda: os.path.exists(s.wav) and self.watch_sound(0.6)[-1][1] == os.path.getsize(s.wav)
                   and len(sound_bursts(self.watch_sound(0.6))) == 0, 10, what="the greeting to be spoken")
        greeting_end = os.path.getsize(s.wav)
        pick_with_keys(s, 8, 31, 2)  # 07 : 30 : PM
        s.wait_for_control("Alarmon", lambda c: c["enabled"])
        s.click("Alarmon")
        armed = time.monotonic()
        growth = self.watch_sound(9)
        s.click("Alarmoff")
        off_clicked = time.monotonic()
        growth += self.watch_sound(4.5)
        # Closing lets the sound device write out what it still holds.
        self.assertTrue(s.control("Alarmon")["visible"])
        close_window(s)
        s.app.wait(5)

        bursts = [b for b in sound_bursts([(armed, greeting_end)] + growth) if b["last"] > greeting_end]
        self.assertGreaterEqual(len(bursts), 4, bursts)
        speech, melodies = bursts[0], bursts[1:]
        self.assertLess(speech["start"] - armed, 4.0)
        rate = wav_rate(s.wav)
        samples = wav_samples(s.wav)
        spoken = samples[(speech["first"] - 44) // 2:(speech["last"] - 44) // 2]
        self.assertTrue(1.0 < len(spoken) / rate < 6.0, len(spoken) / rate)
        self.assertGreater(max(abs(v) for v in spoken), 3000)

        # A melody every two seconds, each the eight tones in order, and nothing after OFF.
        for earlier, later in zip(melodies, melodies[1:]):
            self.assertAlmostEqual(later["start"] - earlier["start"], 2.0, delta=0.35)
        tones = steady_tones(samples[(speech["last"] - 44) // 2:], rate)
        self.assertEqual(len(tones), 8 * len(melodies), tones)
        for i, (frequency, seconds) in enumerate(tones):
            want = MELODY[i % 8]
            self.assertAlmostEqual(frequency, want, delta=want * 0.03)
            self.assertAlmostEqual(seconds, 0.125, delta=0.015)
        self.assertLess(melodies[-1]["start"], off_clicked + 0.1)


class Shutdown(SessionTest):
    fake_time = "2026-12-07 23:58:57"

    def arm(self):
        s = self.session
        s.start()
        s.dismiss_greeting()
        pick_with_keys(s, 12, 60, 2)  # 11 : 59 : PM
        s.wait_for_control("Shutdown", lambda c: c["enabled"])
        s.click("Shutdown")
        s.wait_for_control("Alarmoff", lambda c: c["visible"])

    def test_writes_and_starts_the_script_at_the_target(self):
        s = self.session
        self.arm()
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

    def test_in_a_folder_anyone_can_write_nothing_there_is_trusted(self):
        # Anyone could swap the script or alarm-cmd there: the script goes to the runtime
        # directory, the interpreter is not started, and standard error says why.
        s = self.session
        os.chmod(s.program_dir, 0o777)
        self.arm()
        script = os.path.join(s.runtime_dir, "Shut down.bat")
        wait_until(lambda: os.path.exists(script), 8, what="the script in the runtime directory")
        with open(script, "rb") as f:
            self.assertEqual(f.read(), SCRIPT_BYTES)

        def told():
            with open(s.log.name) as f:
                return "will not start" in f.read()
        wait_until(told, 5, what="the refusal on standard error")
        self.assertEqual(s.interpreter_starts(), [])
        self.assertNotIn("Shut down.bat", os.listdir(s.program_dir))

    def test_off_before_the_target_leaves_nothing(self):
        s = self.session
        self.arm()
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"])
        time.sleep(4)
        self.assertFalse(os.path.exists(os.path.join(s.program_dir, "Shut down.bat")))
        self.assertEqual(s.interpreter_starts(), [])


class NoSoundDevice(SessionTest):
    """Without any sound device the program still starts, arms and rings, silently."""
    fake_time = "2026-12-07 07:29:59"
    sound = False

    def test_arms_and_rings_without_sound(self):
        s = self.session
        s.start()
        s.dismiss_greeting()
        pick_with_keys(s, 8, 31, 1)  # 07 : 30 : AM
        s.wait_for_control("Alarmon", lambda c: c["enabled"])
        s.click("Alarmon")
        time.sleep(5)  # the target minute has come and gone through two ringing ticks
        self.assertIsNone(s.app.poll())
        self.assertIsNone(s.box_texts())
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"], timeout=3)


if __name__ == "__main__":
    unittest.main()
