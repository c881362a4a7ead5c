# SPDX-License-Identifier: MIT
"""Sound for the program's runs and the sound tests: ALSA devices of a run's own; a private PipeWire
(pipewire, wireplumber and pipewire-pulse, as a desktop runs it) or PulseAudio server playing into a
null sink whose monitor is recorded at the sink's own pace, so that sample i of a recording was
heard i / RATE seconds after its first (the recorder speaks the PulseAudio protocol, which both
serve); the ringing melody as heard there; and the sound probe, which makes the window's sound
calls and reports when each began and returned."""
import array
import collections
import os
import signal
import socket
import struct
import subprocess
import threading
import time
import unittest

from kit import BUILD_DIR
from kit.processes import spawn, temporary_directory, wait_until
from kit.x import Desktop

SINK = "alarm_test_sink"
RATE = 48000
MELODY = [500, 650, 800, 950, 950, 800, 650, 500]

# -- ALSA --------------------------------------------------------------------------------------------

# The default device writes what it is given into a WAV file, as fast as it comes.
FILE_DEVICE = 'pcm.!default { type file slave.pcm { type null } file "%s" format "wav" }\n'


class AlsaDevice:
    """The program's sound through ALSA alone, configured in a file in directory: "file" records
    into sound.wav there; "none" has no card at all; "null" takes everything and keeps nothing, so
    no card is needed or touched."""

    def __init__(self, directory, mode):
        self.wav = os.path.join(directory, "sound.wav")
        self.config = os.path.join(directory, "asound.conf")
        with open(self.config, "w") as f:
            f.write({"file": FILE_DEVICE % self.wav + "ctl.!default { type hw card 0 }\n",
                     "none": "pcm.!default { type hw card 29 }\nctl.!default { type hw card 29 }\n",
                     "null": "pcm.!default { type null }\n"}[mode])
        os.chmod(self.config, 0o644)

    def environment(self):
        # Only this file: the system's configuration would route the default device to the sound
        # server. And no sound server, which the program would take before ALSA.
        return {"ALSA_CONFIG_PATH": self.config,
                "PULSE_SERVER": "unix:" + os.path.join(os.path.dirname(self.config), "no-sound-server")}

    def size(self):
        return os.path.getsize(self.wav) if os.path.exists(self.wav) else 0

    def rate(self):
        with open(self.wav, "rb") as f:
            return struct.unpack("<I", f.read(44)[24:28])[0]

    def samples(self, start_byte=44, end_byte=None):
        """Mono 16-bit samples between two byte offsets; readable while the file still grows."""
        with open(self.wav, "rb") as f:
            data = f.read()
        body = data[max(start_byte, data.find(b"data") + 8):end_byte]
        return struct.unpack("<%dh" % (len(body) // 2), body[:len(body) // 2 * 2])


# -- a sound server ----------------------------------------------------------------------------------

_NULL_SINK = """context.objects = [
    { factory = adapter
      args = {
          factory.name     = support.null-audio-sink
          node.name        = "%s"
          node.description = "ALARM test sink"
          media.class      = "Audio/Sink"
          audio.position   = [ MONO ]
          priority.session = 100000
          monitor.channel-volumes = true
      }
    }
]
""" % SINK

# Only the null sink: no sound card, camera or Bluetooth device of the machine takes part.
_NO_DEVICES = """alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
"""
_NO_BLUETOOTH = "bluez_monitor.enabled = false\n"


def _listening(path):
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
        try:
            probe.connect(path)
            return True
        except OSError:
            return False


class _Server:
    """What every server offers: pactl against it, waiting for the sink, and the recorder."""

    # The samples in a cycle of the server's graph, or a number that they all are a multiple of,
    # for telling the sound it drops (breaks() below); None where that is not known.
    cycle = None

    def __init__(self, env, workdir):
        self.env = dict(env)
        self.workdir = workdir
        self.runtime_dir = env["XDG_RUNTIME_DIR"]
        self.processes = []

    @property
    def socket(self):
        return os.path.join(self.runtime_dir, "pulse", "native")

    def environment(self):
        """What a client needs to reach this server and nothing else."""
        return {"PULSE_SERVER": "unix:" + self.socket}

    def pactl(self, *args):
        result = subprocess.run(["pactl", *args], env={**self.env, **self.environment()},
                                capture_output=True, text=True, timeout=10)
        return result.stdout.strip() if result.returncode == 0 else None

    def ready(self):
        ended = [(p.args, p.returncode) for p in self.processes if p.poll() is not None]
        if ended:
            with open(self.log, errors="replace") as log:
                raise AssertionError(f"the sound server ended: {ended}\n{log.read()[-2000:]}")
        sinks = self.pactl("list", "short", "sinks") or ""
        return SINK in sinks.split() and self.pactl("get-default-sink") == SINK

    def wait_ready(self, timeout=30):
        """Waits until the null sink exists, is the default sink and answers."""
        wait_until(self.ready, timeout, what=f"{SINK} to become the default sink")

    def record(self):
        return Recording(self)

    def _signal_all(self, sig):
        for process in self.processes:
            try:
                os.killpg(process.pid, sig)
            except ProcessLookupError:
                pass

    def kill(self):
        """Ends the server at once, as a crash does, and waits until it is gone."""
        self._signal_all(signal.SIGKILL)
        for process in self.processes:
            process.wait(5)
        self.processes = []

    def freeze(self):
        """Stops the server's processes without ending them: a hung server."""
        self._signal_all(signal.SIGSTOP)

    def thaw(self):
        self._signal_all(signal.SIGCONT)


class PipeWire(_Server):
    """pipewire, wireplumber and pipewire-pulse with a null sink as the only sink."""

    # Its quantum is a power of two, and pipewire-pulse gives no stream less than 256/48000: at the
    # sink's 48 kHz every cycle is a whole number of 256 samples.
    cycle = 256

    def __init__(self, env, workdir):
        super().__init__(env, workdir)
        config = os.path.join(workdir, "config")
        for path, text in (("pipewire/pipewire.conf.d/alarm-test-sink.conf", _NULL_SINK),
                           ("wireplumber/main.lua.d/51-alarm-test.lua", _NO_DEVICES),
                           ("wireplumber/bluetooth.lua.d/51-alarm-test.lua", _NO_BLUETOOTH)):
            os.makedirs(os.path.dirname(os.path.join(config, path)), exist_ok=True)
            with open(os.path.join(config, path), "w") as f:
                f.write(text)
        state = os.path.join(workdir, "state")
        os.makedirs(state, exist_ok=True)
        self.env.update({"XDG_CONFIG_HOME": config, "XDG_STATE_HOME": state,
                         "PIPEWIRE_RUNTIME_DIR": self.runtime_dir})
        self.env.pop("PULSE_SERVER", None)
        self.log = os.path.join(workdir, "pipewire.log")

    def environment(self):
        return {**super().environment(), "PIPEWIRE_RUNTIME_DIR": self.runtime_dir}

    def start(self):
        with open(self.log, "a") as log:
            daemon = spawn(["pipewire"], env=self.env, stdout=log, stderr=log)
            self.processes = [daemon]
            # A daemon that was killed leaves its socket file behind: wait until one listens there,
            # or WirePlumber, started too soon, gives up and nothing is ever linked.
            path = os.path.join(self.runtime_dir, "pipewire-0")
            wait_until(lambda: _listening(path) or daemon.poll() is not None, 20, what="pipewire's socket")
            for command in (["wireplumber"], ["pipewire-pulse"]):
                self.processes.append(spawn(command, env=self.env, stdout=log, stderr=log))
        self.wait_ready()


class PulseAudio(_Server):
    """A PulseAudio daemon with a null sink as its only sink. PulseAudio cannot be installed
    beside pipewire-pulse, so it may run from another root (made with debootstrap, say), whose
    tree holds the workdir; its socket is then reached through that tree."""

    def __init__(self, env, workdir, root=None):
        super().__init__(env, workdir)
        self.root = root
        self.log = os.path.join(workdir, "pulseaudio.log")
        with open(os.path.join(workdir, "alarm-test.pa"), "w") as f:
            f.write(f"load-module module-native-protocol-unix auth-anonymous=1\n"
                    f"load-module module-null-sink sink_name={SINK} channels=1 rate={RATE}\n"
                    f"set-default-sink {SINK}\n")

    def start(self):
        inside = (lambda path: path[len(self.root):]) if self.root else (lambda path: path)
        command = ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                   "--use-pid-file=no", "--system=no", "--disable-shm=yes", "-n",
                   "-F", inside(os.path.join(self.workdir, "alarm-test.pa"))]
        if self.root:
            command = ["chroot", self.root, "env", "HOME=" + inside(self.workdir),
                       "XDG_RUNTIME_DIR=" + inside(self.runtime_dir)] + command
        with open(self.log, "a") as log:
            self.processes = [spawn(command, env=self.env, stdout=log, stderr=log)]
        self.wait_ready()


class PrivateServer:
    """A server of its own (PipeWire unless another class is named; PulseAudio in another root takes
    root=DIR) on a session without a screen, for several runs; close() ends both. A client reaches
    it with client_env."""

    def __init__(self, server_class=PipeWire, root=None):
        self.session = Desktop(x=False)
        try:
            # A server in another root keeps its files, sockets among them, where both sides see them.
            self.workdir = temporary_directory("alarm-sound-", directory=os.path.join(root, "tmp") if root else None)
            runtime_dir = os.path.join(self.workdir, "runtime")
            os.mkdir(runtime_dir, 0o700)
            self.env = {**self.session.environment(), "XDG_RUNTIME_DIR": runtime_dir}
            self.server = server_class(self.env, self.workdir, **({"root": root} if root else {}))
            self.server.start()
        except BaseException:
            self.session.close()
            raise
        self.client_env = {**self.env, **self.server.environment()}

    def close(self):
        self.session.close()


class OnPrivateServer(unittest.TestCase):
    """Tests on one sound server of their class's own: PipeWire, or PulseAudio from the root that
    ALARM_TEST_PULSEAUDIO_ROOT names (scripts/check-pulseaudio.sh makes one), so that one set of
    checks serves both. A test that stopped, froze or killed the server leaves it running again."""

    @classmethod
    def setUpClass(cls):
        root = os.environ.get("ALARM_TEST_PULSEAUDIO_ROOT")
        cls.private = PrivateServer(PulseAudio, root) if root else PrivateServer()
        cls.addClassCleanup(cls.private.close)
        cls.server = cls.private.server

    def setUp(self):
        self.addCleanup(self.ensure_running)

    def ensure_running(self):
        self.server.thaw()
        if self.server.pactl("get-default-sink") != SINK:
            self.server.kill()
            self.server.start()

    def assertHeardAsMelodies(self, recording, count=None, begin=0):
        """The melodies heard from sample begin on, as many as count if given, each without a flaw."""
        heard = melodies(recording, begin)
        if count is not None:
            self.assertEqual(len(heard), count, [m.lengths_ms for m in heard])
        for i, tune in enumerate(heard):
            self.assertEqual(tune.problems(), [], f"melody {i + 1}")
        return heard


class Recording:
    """The sink's monitor, recorded with parec at the sink's pace as mono 16-bit samples."""

    def __init__(self, server):
        self.server = server
        self.data = bytearray()
        self.arrivals = []  # (monotonic time, samples received by then)
        self.lock = threading.Lock()
        self.process = None

    def __enter__(self):
        self.errors = os.path.join(self.server.workdir, "parec.log")
        with open(self.errors, "a") as errors:
            self.process = spawn(
                ["parec", "--device", SINK + ".monitor", "--raw", "--format=s16le", f"--rate={RATE}",
                 "--channels=1", "--latency-msec=10"],
                env={**self.server.env, **self.server.environment()}, stdout=subprocess.PIPE,
                stderr=errors, bufsize=0)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        # The recorder is connected once the sink's monitor delivers; until then nothing is heard.
        try:
            wait_until(lambda: len(self.data) > 0 or self.process.poll() is not None, 20,
                       what="the recorder to receive sound")
            if not self.data:
                raise AssertionError(f"the recorder ended with {self.process.returncode}")
        except AssertionError as error:
            self.stop()
            with open(self.errors) as f, open(self.server.log, errors="replace") as log:
                raise AssertionError(f"{error}: {f.read()[-1000:]}\nthe server's log:\n{log.read()[-3000:]}") from None
        return self

    def _read(self):
        while True:
            chunk = self.process.stdout.read(4096)
            if not chunk:
                return
            with self.lock:
                self.data += chunk
                self.arrivals.append((time.monotonic(), len(self.data) // 2))

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(5)
        if self.process:
            self.reader.join(5)
            self.process.stdout.close()

    def samples(self):
        with self.lock:
            body = bytes(self.data[:len(self.data) // 2 * 2])
        values = array.array("h")
        values.frombytes(body)
        return values

    def now_index(self):
        with self.lock:
            return len(self.data) // 2

    def time_of(self, index):
        """The monotonic time at which sample `index` was heard: each block arrives after its last
        sample was played, so the earliest arrival less its length bounds when recording began."""
        with self.lock:
            start = min(t - n / RATE for t, n in self.arrivals)
        return start + index / RATE

    def index_at(self, moment):
        return int(round((moment - self.time_of(0)) * RATE))

    @property
    def cycle(self):
        return self.server.cycle

    def sounds(self, begin=0, end=None, threshold=1000, quiet_ms=0.5):
        """(first, last) sample index of each stretch of sound, split wherever the signal stays
        below `threshold` for longer than `quiet_ms`; a tone's zero crossings are far shorter."""
        samples = self.samples()
        end = len(samples) if end is None else min(end, len(samples))
        limit = int(RATE * quiet_ms / 1000)
        stretches, first, last = [], None, None
        for i in range(begin, end):
            if abs(samples[i]) >= threshold:
                if first is None:
                    first = i
                elif i - last > limit:
                    stretches.append((first, last))
                    first = i
                last = i
        if first is not None:
            stretches.append((first, last))
        return stretches


def breaks(samples, cycle, begin=0, end=None):
    """(first, last) sample index of each stretch of sound that the server dropped, given its
    Recording.cycle (none when that is None). A graph that misses a cycle for a stream mixes
    silence for it over the whole cycle: digital silence that starts where a cycle starts (a
    recording begins with one and loses only whole ones) and lasts whole cycles. Silence that a
    client leaves, as after a sound handed over late, starts where its sound ended instead."""
    if not cycle:
        return []
    end = len(samples) if end is None else min(end, len(samples))
    found, i = [], begin
    while i < end:
        if samples[i] != 0:
            i += 1
            continue
        run = i
        while i < end and samples[i] == 0:
            i += 1
        # A sound may touch zero right beside the silence; a sample or two is the sound's own.
        first = -(-run // cycle) * cycle
        whole = (i - first) // cycle * cycle
        if first - run <= 2 and whole and i - first - whole <= 2:
            found.append((first, first + whole - 1))
    return found


# -- the melody as heard -----------------------------------------------------------------------------


def frequency(samples, rate=RATE):
    """The frequency of a steady tone from its zero crossings."""
    crossings = sum(1 for a, b in zip(samples, samples[1:]) if (a < 0) != (b < 0))
    return crossings * rate / (2 * len(samples)) if samples else 0.0


def steady_tones(samples, rate):
    """(frequency, seconds) of each stretch of steady tone at the level the program's tones have;
    the short fades between tones separate them, and speech is seldom steady long enough. For a
    recording that holds what was sent without pauses, as a file device's does."""
    block = rate // 500
    tones, start = [], None
    for i in range(0, len(samples) - block + 1, block):
        rms = (sum(v * v for v in samples[i:i + block]) / block) ** 0.5
        steady = 4400 < rms < 6000  # tones sound at -16 dBFS RMS, 5190
        if steady and start is None:
            start = i
        elif not steady and start is not None:
            if i - start >= rate * 0.08:
                tones.append((frequency(samples[start:i], rate), (i - start) / rate))
            start = None
    return tones


def _grouped(stretches, joins):
    """Stretches in groups: each joins the group before it when joins(group, stretch)."""
    groups = []
    for stretch in stretches:
        if groups and joins(groups[-1], stretch):
            groups[-1].append(stretch)
        else:
            groups.append([stretch])
    return groups


def phrases(stretches, pause_ms=200):
    """Groups stretches of sound that follow each other within pause_ms into phrases."""
    return _grouped(stretches, lambda group, stretch: (stretch[0] - group[-1][1]) * 1000 / RATE < pause_ms)


# Longer than one tone as heard, shorter than two.
TONE_EXTENT_MS = 135


def within_tones(stretches):
    """Groups the pieces of each tone: a tone the server broke with a moment of silence comes as
    several. Every tone is handed to the server whole, so silence inside one is the server's: a
    loaded machine can make its graph miss a cycle for any stream. Silence between two tones,
    where the program's timing counts, stays a gap, less what the server dropped there."""
    return _grouped(stretches, lambda tone, piece: (piece[1] - tone[0][0]) * 1000 / RATE <= TONE_EXTENT_MS)


class Melody:
    """A phrase heard at the sink, read as the ringing melody."""

    def __init__(self, recording, stretches):
        tones = within_tones(stretches)
        self.stretches = stretches = [(pieces[0][0], pieces[-1][1]) for pieces in tones]
        samples = recording.samples()
        ms = 1000 / RATE
        self.frequencies = [frequency(samples[slice(*max(pieces, key=lambda p: p[1] - p[0]))])
                            for pieces in tones]
        self.lengths_ms = [(b - a) * ms for a, b in stretches]
        # Between two joined tones the fades leave about 2 ms below the threshold. Cycles that the
        # server dropped there, cutting off one tone's end or the next one's start, are its own
        # silence, not the program's.
        def dropped(a, b):
            return sum(last + 1 - first for first, last in breaks(samples, recording.cycle, a, b))
        self.joints_ms = [(b[0] - a[1] - dropped(a[1] + 1, b[0])) * ms for a, b in zip(stretches, stretches[1:])]
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
        raw_lengths = [(b - a) * 1000 / RATE for a, b in group]
        tone_like = [length for length in raw_lengths if 100 <= length <= 150]
        if len(group) >= 4 and len(tone_like) * 2 > len(group):
            found.append(Melody(recording, group))
    return found


def speech_before(recording, melody, begin=0):
    """(start, end) sample indexes of the sound before a melody that is not part of any."""
    before = [s for s in recording.sounds(begin, melody.stretches[0][0])]
    return (before[0][0], before[-1][1]) if before else None


# -- the sound probe ---------------------------------------------------------------------------------

PROBE = os.path.join(BUILD_DIR, "tests", "soundprobe")
# One call of the probe: "beep" or "speak", its frequency (or "-"), when it began and returned
# (monotonic seconds), and the error it ended with, if any.
Call = collections.namedtuple("Call", "what argument start end error")


def probe(env, *actions, on_call=None, timeout=60):
    """Runs the probe (tests/support/soundprobe.cpp) to its end; on_call(index, call) is called as
    each call is reported."""
    calls = []
    # In a session of its own, as a desktop starts an application: it then gets its own share of
    # the processor rather than a part of the share of the test run that started it.
    with spawn([PROBE, *actions], env=env, stdout=subprocess.PIPE, text=True) as process:
        try:
            for line in process.stdout:
                what, argument, start, end, *error = line.rstrip("\n").split(" ", 4)
                calls.append(Call(what, argument, float(start), float(end), error[0] if error else ""))
                if on_call:
                    on_call(len(calls) - 1, calls[-1])
            process.wait(timeout)
        finally:
            if process.poll() is None:
                process.kill()
    if process.returncode != 0:
        raise AssertionError(f"the probe exited with {process.returncode}")
    return calls
