# SPDX-License-Identifier: MIT
"""The sound path on a real sound server: PipeWire with WirePlumber and pipewire-pulse, started
for this run with a null sink whose monitor is recorded at the sink's own pace; or PulseAudio from
the root that ALARM_TEST_PULSEAUDIO_ROOT names (scripts/check-pulseaudio.sh). The probe makes
the calls the window makes and reports when each began and returned; the recording shows what was
heard and when."""
import array
import math
import os
import statistics
import threading
import types
import unittest

from kit import sound

PHRASE = "speak:Now thetime is    7:30:05 PM"
# The bound on a melody that meets a hung server: the tones before the stall, the stalled one's
# own bound, and nothing for the rest.
MELODY_BOUND_S = 1.2


class SoundServerTest(sound.OnPrivateServer):
    def probe(self, *actions, on_call=None, env=None):
        return sound.probe({**self.private.client_env, **(env or {})}, *actions, on_call=on_call)

    def test_each_tone_returns_as_it_is_heard_and_the_melody_is_one_phrase(self):
        with self.server.record() as recording:
            calls = self.probe("melody", "at:2000", "melody")
        self.assertEqual([c.error for c in calls], [""] * 16)
        # The server's position moves in chunks of about 5 ms, so single calls take 122 or 128 ms;
        # a machine busy with other work may wake the caller a little late now and then.
        durations = [(c.end - c.start) * 1000 for c in calls]
        self.assertLess(abs(statistics.median(durations) - 125), 3, durations)
        self.assertTrue(all(110 <= d <= 150 for d in durations), durations)

        melodies = self.assertHeardAsMelodies(recording, 2)
        # The last call of each melody returns as its end is heard (the recording's clock is
        # known to within its few milliseconds of capture latency).
        for tune, last in zip(melodies, (calls[7], calls[15])):
            self.assertLess(abs(last.end - tune.end), 0.015, (last.end, tune.end))

    def test_speech_returns_as_its_end_is_heard(self):
        with self.server.record() as recording:
            calls = self.probe(PHRASE, "beep:800:125")
        speak, beep = calls
        self.assertEqual((speak.error, beep.error), ("", ""))
        *speech, tone = recording.sounds()
        self.assertGreater(len(speech), 1)
        speech_end = recording.time_of(speech[-1][1])
        tone_start = recording.time_of(tone[0])
        self.assertGreater(speak.end - speak.start, 1.0)
        # Returned no earlier than just before the end, no later than 150 ms after it; the tone
        # asked for right then follows as closely.
        self.assertTrue(-0.015 < speak.end - speech_end < 0.150, speak.end - speech_end)
        self.assertLess(tone_start - speech_end, 0.150)

    def test_a_hung_server_cuts_the_melody_short_and_is_heard_once_it_answers(self):
        frozen = threading.Event()

        def freeze_in_the_fourth_tone(index, call):
            if index == 2 and not frozen.is_set():
                self.server.freeze()
                frozen.set()
            elif index == 7:
                self.server.thaw()

        with self.server.record() as recording:
            calls = self.probe("melody", "at:3000", "melody", on_call=freeze_in_the_fourth_tone)
        first, second = calls[:8], calls[8:]
        self.assertTrue(frozen.is_set())
        held = first[-1].end - first[0].start
        self.assertLess(held, MELODY_BOUND_S, [(c.end - c.start, c.error) for c in first])
        self.assertTrue(all(c.error for c in first[3:]), first)
        # The tones after the stalled one are skipped, not waited out.
        self.assertTrue(all(c.end - c.start < 0.02 for c in first[4:]), first)
        self.assertEqual([c.error for c in second], [""] * 8)
        # While frozen the sink stood still too, so only the melody after it is checked by time.
        last = sound.melodies(recording)[-1]
        self.assertEqual(last.problems(), [])

    def test_a_server_restarted_while_ringing_is_heard_again(self):
        # A listener stays on the sink throughout, as on a desktop, and comes back with it.
        recordings = [self.server.record().__enter__()]

        def kill_in_the_fourth_tone_and_restart(index, call):
            if index == 2:
                self.server.kill()
            elif index == 15:
                self.server.start()
                recordings.append(self.server.record().__enter__())

        # While the server is away, ALSA's default must not be used instead: its plugin for the
        # server may hang until the server is back. Here it is a file, to see whether it was.
        alsa = sound.AlsaDevice(self.private.workdir, "file")
        try:
            calls = self.probe("melody", "at:2000", "melody", "at:4500", "melody",
                               on_call=kill_in_the_fourth_tone_and_restart, env={"ALSA_CONFIG_PATH": alsa.config})
        finally:
            for recording in recordings:
                recording.stop()
        self.assertFalse(os.path.exists(alsa.wav))
        # Without a server every call fails at once; none waits longer than its tone and a margin.
        for call in calls[:16]:
            self.assertLess(call.end - call.start, 0.125 + 0.2, call)
        self.assertTrue(all(c.error for c in calls[8:16]), calls[8:16])
        # Once it is back, the next melody is heard, whole.
        self.assertEqual([c.error for c in calls[16:]], [""] * 8)
        self.assertHeardAsMelodies(recordings[-1], 1)


class WhatTheAlarmRingsInto(sound.OnPrivateServer):
    """What the alarm looks at when it is armed, on a server of this class's own (the volumes it
    sets would stay with the server): read as the server sets it, never changed."""

    def check(self, env=None):
        calls = sound.probe({**self.private.client_env, **(env or {})}, "check")
        self.assertEqual(calls[0].error, "")
        return calls[1].argument

    def test_muted_and_quiet_outputs_are_seen_and_left_alone(self):
        self.assertEqual(self.check(), "0/0/100/0/100")  # the server, not muted, at full scale
        self.server.pactl("set-sink-mute", sound.SINK, "1")
        self.assertEqual(self.check(), "0/1/100/0/100")
        self.server.pactl("set-sink-mute", sound.SINK, "0")

        # A person turns ALARM down to 10 % while it plays; its one stream is an alarm's.
        streams = []

        def turn_down(index, call):
            if index == 0:
                streams.append(self.server.pactl("list", "sink-inputs"))
                number = self.server.pactl("list", "short", "sink-inputs").split()[0]
                self.server.pactl("set-sink-input-volume", number, "10%")

        sound.probe(self.private.client_env, "speak:It is seven thirty", "melody", on_call=turn_down)
        self.assertEqual(streams[0].count("Sink Input #"), 1, streams[0])
        self.assertIn('media.role = "alarm"', streams[0])
        # The server remembers it for ALARM's next stream, and looking changes nothing.
        self.assertEqual(self.check(), "0/0/100/0/10")
        self.assertEqual(self.check(), "0/0/100/0/10")
        self.assertEqual(self.server.pactl("list", "short", "sink-inputs"), "")

    def test_without_a_server_the_sound_card_is_looked_for(self):
        for mode, found in (("null", "1/0/100/0/100"), ("none", "2/0/100/0/100")):
            device = sound.AlsaDevice(self.private.workdir, mode)
            self.assertEqual(self.check(device.environment()), found, mode)


class ReadingTheSink(unittest.TestCase):
    """What the checks above rest on: cycles of sound that the server dropped at a joint are not
    the program's gap, while the silence after a tone handed over late is, however long."""

    def melody_with_joint(self, silence):
        """The eight tones joined as the program makes them (125 ms, 5 ms fades, peaks at -13 dBFS),
        read after `silence(samples, joint)` at the joint before the fourth. Sample 0 begins a
        cycle, as a recording's first does."""
        rate, fade, lead = sound.RATE, sound.RATE * 5 // 1000, 1000
        samples = [0] * lead
        for frequency in sound.MELODY:
            count = rate // 8
            for i in range(count):
                edge = min(i, count - 1 - i)
                gain = 0.5 - 0.5 * math.cos(math.pi * edge / fade) if edge < fade else 1.0
                samples.append(round(7336 * gain * math.sin(2 * math.pi * frequency * i / rate)))
        samples = silence(samples + [0] * lead, lead + 3 * rate // 8)
        recording = sound.Recording(types.SimpleNamespace(cycle=sound.PipeWire.cycle))
        recording.data = bytearray(array.array("h", samples).tobytes())
        recording.arrivals = [(0.0, len(samples))]
        [tune] = sound.melodies(recording)
        return tune

    def test_dropped_cycles_are_the_servers_and_a_late_tone_is_a_gap(self):
        cycle = sound.PipeWire.cycle

        def dropped(samples, joint):
            # Two cycles from the start of one, cutting off the third tone's end and the fourth's start.
            first = (joint - 100) // cycle * cycle
            return samples[:first] + [0] * 2 * cycle + samples[first + 2 * cycle:]

        def late(samples, joint):
            # As long as two dropped cycles, with the faded ends' zeros: only where it starts
            # tells it from the server's.
            quiet = next(i for i in range(joint, len(samples)) if samples[i]) - \
                next(i for i in range(joint - 1, 0, -1) if samples[i]) - 1
            return samples[:joint] + [0] * (2 * cycle - quiet) + samples[joint:]

        tune = self.melody_with_joint(dropped)
        self.assertGreater(tune.stretches[3][0] - tune.stretches[2][1], sound.RATE // 100)
        self.assertEqual(tune.problems(), [])
        self.assertIn("gaps between tones", "".join(self.melody_with_joint(late).problems()))


if __name__ == "__main__":
    unittest.main()
