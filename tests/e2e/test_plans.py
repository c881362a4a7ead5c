# SPDX-License-Identifier: MIT
"""The two plans carried out by the real program, its clock set two seconds before the target."""
import os
import pwd
import re
import time
import unittest

from kit.processes import wait_until
from kit.program import SCRIPT_BYTES, SessionTest
from kit.sound import MELODY, steady_tones


class Alarm(SessionTest):
    """What the alarm sends to the sound device: the spoken time, then whole melodies of the right
    tones. When it is heard, and when OFF takes effect, is measured on a real sound server
    (test_sound.py); a file takes samples at once and paces nothing."""
    fake_time = "2026-12-07 19:29:58"

    def test_speaks_then_rings_until_off(self):
        s = self.session
        self.start()
        s.pick_with_keys(8, 31, 2)  # 07 : 30 : PM
        s.wait_for_control("Alarmon", lambda c: c["enabled"])
        greeting_end = len(s.sound.samples())
        s.click("Alarmon")
        rate = s.sound.rate()
        wait_until(lambda: len(steady_tones(s.sound.samples()[greeting_end:], rate)) >= 16, 15,
                   what="two melodies")
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"])
        # Closing lets the sound device write out what it still holds.
        s.close_window()
        s.app.wait(5)

        samples = s.sound.samples()[greeting_end:]
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


def arm_shutdown(test):
    s = test.session
    test.start()
    s.arm("Shutdown", 12, 60, 2)  # 11 : 59 : PM
    s.wait_for_control("Alarmoff", lambda c: c["visible"])


def see_the_script_started(test):
    """Arms the shut-down and sees the script written beside the program and started there."""
    s = test.session
    arm_shutdown(test)
    script = os.path.join(s.program_dir, "Shut down.bat")
    starts = wait_until(s.interpreter_starts, 8, what="the interpreter to be started")
    test.assertEqual(starts[0], [script])
    with open(script, "rb") as f:
        test.assertEqual(f.read(), SCRIPT_BYTES)


class Shutdown(SessionTest):
    fake_time = "2026-12-07 23:58:57"

    def test_writes_and_starts_the_script_at_the_target(self):
        s = self.session
        see_the_script_started(self)
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
        arm_shutdown(self)
        script = os.path.join(s.runtime_dir, "Shut down.bat")
        wait_until(lambda: os.path.exists(script), 8, what="the script in the runtime directory")
        with open(script, "rb") as f:
            self.assertEqual(f.read(), SCRIPT_BYTES)
        wait_until(lambda: "will not start" in s.output(), 5, what="the refusal on standard error")
        self.assertEqual(s.interpreter_starts(), [])
        self.assertNotIn("Shut down.bat", os.listdir(s.program_dir))


    def test_a_runtime_directory_others_may_change_is_passed_over_and_told_once(self):
        # Neither the program's folder nor XDG_RUNTIME_DIR may take the script: it goes to the
        # private directory in TMPDIR, and why is told once, however many attempts need it; the
        # refused interpreter is told once a minute, not at every attempt.
        s = self.session
        os.chmod(s.program_dir, 0o777)
        os.chmod(s.runtime_dir, 0o777)
        s.extra_environment = {"TMPDIR": s.tmp}
        arm_shutdown(self)
        script = os.path.join(s.tmp, "runtime-" + pwd.getpwuid(os.geteuid()).pw_name, "Shut down.bat")
        # Each attempt writes the script anew.
        written = set()
        wait_until(lambda: os.path.exists(script) and written.add(os.stat(script).st_mtime_ns) or len(written) >= 5, 8,
                   interval=0.02, what="five attempts in TMPDIR's runtime directory")
        lines = s.output().splitlines()
        said = [line for line in lines if "XDG_RUNTIME_DIR" in line]
        self.assertEqual(len(said), 1, said)
        self.assertIn("can be changed by other users", said[0])
        self.assertEqual(len([line for line in lines if "will not start" in line]), 1, lines)


class ShutdownFromALatin1Folder(SessionTest):
    fake_time = "2026-12-07 23:58:57"
    folder = "caf\udce9"  # the bytes "caf\xe9": Latin-1, not UTF-8

    def test_works_like_any_other_folder(self):
        see_the_script_started(self)
        self.assertFalse(os.path.lexists("/Shut down.bat"))


class ShutdownCancelled(SessionTest):
    fake_time = "2026-12-07 23:50:00"

    def test_off_before_the_target_leaves_nothing(self):
        s = self.session
        arm_shutdown(self)
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"])
        # Then the clock is set into the target minute. The title shows the program's own clock
        # every other second: wait until it has been in that minute for a few ticks.
        s.set_clock("2026-12-07 23:59:01")
        wait_until(lambda: re.fullmatch(r"23:59:(0[4-9]|[1-5]\d)", s.title()), 10,
                   what="the program's clock to pass 23:59:04")
        self.assertFalse(os.path.exists(os.path.join(s.program_dir, "Shut down.bat")))
        self.assertEqual(s.interpreter_starts(), [])


class NoSoundDevice(SessionTest):
    """Without any sound device the program still starts, arms and rings, silently."""
    fake_time = "2026-12-07 07:29:59"
    sound = "none"

    def test_arms_and_rings_without_sound(self):
        s = self.session
        self.start()
        s.arm("Alarmon", 8, 31, 1)  # 07 : 30 : AM
        wait_until(lambda: s.status() == "ringing", 10, what="the alarm to ring")
        time.sleep(2.5)  # a ringing tick more, its tones failing without a device
        self.assertIsNone(s.app.poll())
        self.assertIsNone(s.box_texts())
        s.click("Alarmoff")
        s.wait_for_control("Alarmon", lambda c: c["visible"], timeout=3)


if __name__ == "__main__":
    unittest.main()
