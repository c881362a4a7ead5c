#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""How the alarm sounds: on a PipeWire null sink (reached as a desktop reaches it, through
pipewire-pulse) and on ALSA's file device, side by side.

Usage: bench/sound.py [--melodies N] [--offs N] [--build-dir DIR] [--server pipewire|pulseaudio]
       [--pulseaudio-root DIR]

Figures: tone call length (median, worst), melody call length and, on the sink, the melody heard
from its first tone's start to its last tone's end; when a last tone's call returned against when
its end was heard; how long after its end a spoken phrase's call returned; how long after OFF is
pressed during a melody the window shows ON again (the built program under Xvfb). Reports, never
fails on a figure. Needs what scripts/dev test installs; the build dir must hold a built tree.
"""
import argparse
import os
import random
import statistics
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests"))

PHRASE = "speak:Now thetime is    7:30:05 PM"


def ms(values):
    return [v * 1000 for v in values]


def summary(values, unit="ms"):
    if not values:
        return "-"
    return f"{statistics.median(values):.1f} (worst {max(values, key=abs):.1f}) {unit}"


def probe_figures(env, melodies, recording_of=None):
    """Runs the probe: melodies two seconds apart, then speech followed by a tone."""
    from kit import sound
    actions = []
    for i in range(melodies):
        actions += ["melody", f"at:{(i + 1) * 2000}"]
    actions += [PHRASE, "beep:800:125"]

    def run():
        return sound.probe(env, *actions)

    if recording_of:
        with recording_of.record() as recording:
            calls = run()
    else:
        recording, calls = None, run()
    tones = [c for c in calls[:-2]]
    per_melody = [tones[i:i + 8] for i in range(0, len(tones), 8)]
    figures = {
        "tone call": ms(c.end - c.start for c in tones),
        "melody call": ms(m[-1].end - m[0].start for m in per_melody),
        "failed calls": sum(1 for c in calls if c.error),
    }
    speak = calls[-2]
    if recording:
        heard = sound.melodies(recording)
        figures["melody heard"] = [m.span_ms for m in heard]
        figures["flawed melodies"] = sum(1 for m in heard if m.problems())
        figures["last tone return - heard end"] = ms(m[-1].end - h.end for m, h in zip(per_melody, heard))
        stretches = recording.sounds()
        speech_end = recording.time_of(stretches[-2][1])
        figures["speech return - heard end"] = ms([speak.end - speech_end])
    else:
        figures["speech call"] = ms([speak.end - speak.start])
    return figures


def off_figures(device, offs):
    """Presses OFF at a random moment of a melody, `offs` times; seconds until ON shows again."""
    from kit.processes import wait_until
    from kit.program import run_on_desktop
    from kit.sound import melodies
    results = []
    rnd = random.Random(7)
    for _ in range(offs):
        session = run_on_desktop("2026-12-07 19:29:58", sound=device)
        try:
            session.start()
            session.dismiss_greeting()
            session.arm("Alarmon", 8, 31, 2)

            def press_off():
                session.click("Alarmoff")
                pressed = time.monotonic()
                session.wait_for_control("Alarmon", lambda c: c["visible"], timeout=5)
                results.append(time.monotonic() - pressed)
            # The spoken time, then a melody every two seconds: press during the second.
            if hasattr(device, "record"):
                with device.record() as recording:
                    begin = recording.now_index()
                    wait_until(lambda: len(melodies(recording, begin)) >= 1, 20, what="a melody")
                    first = melodies(recording, begin)[0]
                    time.sleep(max(0.0, first.start + 2.0 + rnd.uniform(0.0, 1.0) - time.monotonic()))
                    press_off()
            else:
                time.sleep(7 + rnd.uniform(0.0, 2.0))  # well into the ringing
                press_off()
        finally:
            session.close()
    return {"OFF -> ON shown": ms(results)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--melodies", type=int, default=10)
    parser.add_argument("--offs", type=int, default=3)
    parser.add_argument("--build-dir", default=os.path.join(REPO, "build"))
    parser.add_argument("--server", choices=["pipewire", "pulseaudio"], default="pipewire")
    parser.add_argument("--pulseaudio-root", help="a root with PulseAudio in it (see scripts/check-pulseaudio.sh)")
    args = parser.parse_args()
    os.environ["ALARM_BUILD_DIR"] = os.path.abspath(args.build_dir)
    os.environ["ALARM_CMD_TEST_NEVER_ACT"] = "1"
    # Imported once the build directory is known; the kit ends whatever is started here.
    from kit import processes, sound

    columns = {}
    if args.server == "pulseaudio":
        private = sound.PrivateServer(sound.PulseAudio, root=args.pulseaudio_root)
    else:
        private = sound.PrivateServer()
    try:
        figures = probe_figures(private.client_env, args.melodies, private.server)
        if args.offs:
            figures.update(off_figures(private.server, args.offs))
        columns[f"{args.server} null sink"] = figures
    finally:
        private.close()

    device = sound.AlsaDevice(processes.temporary_directory("alarm-bench-sound-"), "file")
    figures = probe_figures({**os.environ, **device.environment()}, args.melodies)
    if args.offs:
        figures.update(off_figures("file", args.offs))
    columns["ALSA file device"] = figures

    names = list(dict.fromkeys(k for figures in columns.values() for k in figures))
    print(f"{'figure':32}" + "".join(f"{c:>34}" for c in columns))
    for name in names:
        cells = []
        for figures in columns.values():
            value = figures.get(name)
            cells.append(summary(value) if isinstance(value, list) else "-" if value is None else str(value))
        print(f"{name:32}" + "".join(f"{c:>34}" for c in cells))


if __name__ == "__main__":
    main()
