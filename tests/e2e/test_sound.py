# SPDX-License-Identifier: MIT
"""The built program ringing on a real sound server (PipeWire with pipewire-pulse, or PulseAudio
as kit.sound.OnPrivateServer chooses; a null sink recorded at its own pace), as it rings on a
desktop: the melody, its period, when OFF takes effect, and a server that hangs or goes away while
it rings."""
import time
import unittest

from kit import sound
from kit.processes import wait_until
from kit.program import run_on_desktop

# OFF during a melody acts when that melody has ended: within its second of sound and a margin.
OFF_BOUND_S = 1.1
# With a hung server the melody is cut short after one tone's bound.
OFF_BOUND_HUNG_S = 1.3
# What reading the window through its accessibility tree adds to a measured time.
READ_SLACK_S = 0.2


class Ringing(sound.OnPrivateServer):
    fake_time = "2026-12-07 19:29:58"

    def setUp(self):
        self.session = run_on_desktop(self.fake_time, sound=self.server)
        self.addCleanup(self.session.close)
        # The server goes on again before the program is ended.
        super().setUp()

    def arm(self, recording):
        """Starts the program, arms the alarm for the minute it is in, and waits for the first
        melody; returns the recording's index at arming."""
        s = self.session
        s.start()
        s.dismiss_greeting()
        s.wait_for_control("Hour", lambda c: True, timeout=10, what="the window in the accessibility tree")
        s.pick_with_keys(8, 31, 2)  # 07 : 30 : PM
        s.wait_for_control("Alarmon", lambda c: c["enabled"])
        armed = recording.now_index()
        s.click("Alarmon")
        self.wait_for_melodies(recording, armed, 1)
        return armed

    def wait_for_melodies(self, recording, begin, count, timeout=15):
        return wait_until(lambda: len(sound.melodies(recording, begin)) >= count and
                          sound.melodies(recording, begin), timeout, what=f"{count} melodies")

    def press_off_during_a_melody(self, recording, begin):
        """Waits for the next melody to begin, presses OFF in its middle; returns when."""
        before = len(sound.melodies(recording, begin))
        wait_until(lambda: len(recording.sounds(recording.index_at(time.monotonic() - 0.05))) > 0 and
                   len(sound.melodies(recording, begin)) == before, 5, interval=0.01, what="the next melody to begin")
        time.sleep(0.4)
        self.session.click("Alarmoff")
        return time.monotonic()

    def wait_for_on(self):
        self.session.wait_for_control("Alarmon", lambda c: c["visible"], timeout=5)
        return time.monotonic()

    def test_rings_seamless_melodies_every_two_seconds_until_off(self):
        with self.server.record() as recording:
            armed = self.arm(recording)
            self.wait_for_melodies(recording, armed, 3)
            pressed = self.press_off_during_a_melody(recording, armed)
            on = self.wait_for_on()
            time.sleep(2.5)
        heard = self.assertHeardAsMelodies(recording, begin=armed)
        # The first melody two seconds after the spoken time, then one every two seconds.
        speech = sound.speech_before(recording, heard[0], armed)
        self.assertIsNotNone(speech)
        self.assertAlmostEqual(heard[0].start - recording.time_of(speech[1]), 2.0, delta=0.15)
        for earlier, later in zip(heard, heard[1:]):
            self.assertAlmostEqual(later.start - earlier.start, 2.0, delta=0.12)
        # OFF lets the melody it was pressed in end, and nothing sounds after it.
        last = heard[-1]
        self.assertLess(last.start, pressed)
        self.assertLess(last.end - pressed, OFF_BOUND_S)
        self.assertEqual(recording.sounds(last.stretches[-1][1] + 1), [])
        self.assertLess(on - pressed, OFF_BOUND_S + READ_SLACK_S)

    def test_a_hung_server_holds_off_no_longer_than_a_melody(self):
        with self.server.record() as recording:
            armed = self.arm(recording)
            before = len(sound.melodies(recording, armed))
            wait_until(lambda: len(recording.sounds(recording.index_at(time.monotonic() - 0.05))) > 0 and
                       len(sound.melodies(recording, armed)) == before, 5, interval=0.01, what="the next melody")
            time.sleep(0.2)
            self.server.freeze()
            self.session.click("Alarmoff")
            pressed = time.monotonic()
            on = self.wait_for_on()
            self.server.thaw()
        self.assertLess(on - pressed, OFF_BOUND_HUNG_S + READ_SLACK_S)

    def test_rings_on_silently_without_a_server_and_is_heard_again_once_it_is_back(self):
        with self.server.record() as recording:
            armed = self.arm(recording)
        self.server.kill()
        try:
            time.sleep(4.5)  # two ringing ticks with no server at all
            self.assertIsNone(self.session.app.poll())
        finally:
            self.server.start()
        with self.server.record() as recording:
            # The second melody heard after the restart, once the third has begun: whole.
            heard = self.wait_for_melodies(recording, 0, 3)
            self.assertEqual(heard[1].problems(), [])
            pressed = self.press_off_during_a_melody(recording, 0)
            on = self.wait_for_on()
        self.assertLess(on - pressed, OFF_BOUND_S + READ_SLACK_S)


if __name__ == "__main__":
    unittest.main()
