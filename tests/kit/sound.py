# SPDX-License-Identifier: MIT
"""A private PipeWire sound server for tests, as a desktop runs it (pipewire, wireplumber and
pipewire-pulse), playing into a null sink whose monitor a test records at the sink's own pace:
sample i of a recording was heard i / RATE seconds after its first sample.

    server = PipeWire(spawn, env, workdir)   # spawn(command, **popen_kwargs) -> Popen, reaped
    server.start()                           # returns once the null sink is the ready default
    program_env.update(server.environment())
    with server.record() as recording: ...   # recording.samples(), .sounds(), .time_of(i)
    server.stop() / server.kill() / server.start()

The same recorder works against any server that speaks the PulseAudio protocol (see PulseAudio
below), so one set of checks serves both. The desktop kit (tests/desktop.py) runs them: its spawn
owns their processes."""
import os
import signal
import subprocess
import threading
import time

from desktop import wait_until

SINK = "alarm_test_sink"
RATE = 48000

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


class PrivateServer:
    """A server of its own for one test class, on a session of the desktop kit (tests/desktop.py),
    which ends its processes however the test process ends. PulseAudio in another root takes
    root=DIR."""

    def __init__(self, server_class=None, root=None):
        import desktop
        self.session, self.server = desktop.sound_server(server_class or PipeWire, root)
        self.workdir = self.server.workdir
        self.env = {**self.session.environment(), "XDG_RUNTIME_DIR": self.server.runtime_dir}

    def close(self):
        self.session.close()


def private_server_for_tests():
    """PipeWire, or PulseAudio from the root that ALARM_TEST_PULSEAUDIO_ROOT names
    (scripts/check-pulseaudio.sh makes one), so that one set of checks serves both."""
    root = os.environ.get("ALARM_TEST_PULSEAUDIO_ROOT")
    return PrivateServer(PulseAudio, root=root) if root else PrivateServer()


class _Server:
    """What every server offers: pactl against it, waiting for the sink, and the recorder."""

    def __init__(self, spawn, env, workdir):
        self.spawn = spawn
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

    def stop(self):
        """Ends the server the way a session does, and waits until it is gone."""
        self._signal_all(signal.SIGTERM)
        self._reap()

    def kill(self):
        """Ends it at once, as a crash does."""
        self._signal_all(signal.SIGKILL)
        self._reap()

    def freeze(self):
        """Stops the server's processes without ending them: a hung server."""
        self._signal_all(signal.SIGSTOP)

    def thaw(self):
        self._signal_all(signal.SIGCONT)

    def _reap(self):
        for process in self.processes:
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(5)
        self.processes = []


class PipeWire(_Server):
    """pipewire, wireplumber and pipewire-pulse with a null sink as the only sink."""

    def __init__(self, spawn, env, workdir):
        super().__init__(spawn, env, workdir)
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
            daemon = self.spawn(["pipewire"], env=self.env, stdout=log, stderr=log)
            self.processes = [daemon]
            socket = os.path.join(self.runtime_dir, "pipewire-0")
            wait_until(lambda: os.path.exists(socket) or daemon.poll() is not None, 20, what="pipewire's socket")
            for command in (["wireplumber"], ["pipewire-pulse"]):
                self.processes.append(self.spawn(command, env=self.env, stdout=log, stderr=log))
        self.wait_ready()


class PulseAudio(_Server):
    """A PulseAudio daemon with a null sink as its only sink. PulseAudio cannot be installed
    beside pipewire-pulse, so it may run from another root (made with debootstrap, say), whose
    tree holds the workdir; its socket is then reached through that tree."""

    def __init__(self, spawn, env, workdir, root=None):
        super().__init__(spawn, env, workdir)
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
            self.processes = [self.spawn(command, env=self.env, stdout=log, stderr=log)]
        self.wait_ready()


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
            self.process = self.server.spawn(
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
            with open(self.errors) as f:
                raise AssertionError(f"{error}: {f.read()[-1000:]}") from None
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
        import array
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


def frequency(samples):
    """The frequency of a steady tone from its zero crossings."""
    crossings = sum(1 for a, b in zip(samples, samples[1:]) if (a < 0) != (b < 0))
    return crossings * RATE / (2 * len(samples)) if samples else 0.0


def level_dbfs(samples):
    """(RMS, peak) in dB relative to full scale."""
    import math
    if not samples:
        return float("-inf"), float("-inf")
    rms = math.sqrt(sum(v * v for v in samples) / len(samples))
    peak = max(abs(v) for v in samples)
    to_db = lambda v: 20 * math.log10(v / 32768) if v else float("-inf")
    return to_db(rms), to_db(peak)
