# SPDX-License-Identifier: MIT
"""The two plans carried out by the real program, its clock set two seconds before the target."""
import os
import time
import unittest

from harness import SCRIPT_BYTES, SessionTest, close_window, pick_with_keys, steady_tones, wait_until, wav_rate, wav_samples

MELODY = [500, 650, 800, 950, 950, 800, 650, 500]


class Alarm(SessionTest):
    """What the alarm sends to the sound device: the spoken time, then whole melodies of the right
    tones. When it is heard, and when OFF takes effect, is measured on a real sound server
    (test_sound.py); a file takes samples at once and paces nothing."""
    fake_time = "2026-12-07 19:29:58"

    def test_speaks_then_rings_until_off(self):
        s = self.session
        s.start()
        s.dismiss_greeting()
        pick_with_keys(s, 8, 31, 2)  # 07 : 30 : PM
        s.wait_for_control("Alarmon", lambda c: c["enabled"])
        greeting_end = len(wav_samples(s.wav))
        s.click("Alarmon")
        rate = wav_rate(s.wav)
        wait_until(lambda: len(steady_tones(wav_samples(s.wav)[greeting_end:], rate)) >= 16, 15,
                   what="two melodies")
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"])
        # Closing lets the sound device write out what it still holds.
        close_window(s)
        s.app.wait(5)

        samples = wav_samples(s.wav)[greeting_end:]
        tones = steady_tones(samples, rate)
        self.assertGreaterEqual(len(tones), 16)
        self.assertEqual(len(tones) % 8, 0, tones)
        for i, (frequency, seconds) in enumerate(tones):
            want = MELODY[i % 8]
            self.assertAlmostEqual(frequency, want, delta=want * 0.03)
            self.assertAlmostEqual(seconds, 0.125, delta=0.015)
        # The spoken time comes first, before any tone (the file holds only what was sent).
        self.assertEqual(steady_tones(samples[:rate], rate), [])
        self.assertGreater(max(abs(v) for v in samples[:rate]), 3000)


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
