# SPDX-License-Identifier: MIT
"""The desktop kit leaves nothing running, however the harness that used it ends."""
import os
import signal
import subprocess
import sys
import tempfile
import textwrap
import unittest

from kit import processes

# A harness: it reports its mark, starts a desktop, a process group of its own and a process that
# leaves its session, then waits to be ended.
HARNESS = textwrap.dedent("""
    import os, sys, time
    sys.path.insert(0, %r)
    from kit import processes, x
    print(os.environ[processes.KIT_MARK], flush=True)
    d = x.Desktop(accessibility=%s)
    processes.spawn(["sh", "-c", "setsid sleep 600 & exec sleep 600"])
    print("ready", d.tmp, flush=True)
    time.sleep(600)
""")


class Reaper(unittest.TestCase):
    def harness(self, accessibility=False, env=None):
        source = HARNESS % (os.path.dirname(os.path.abspath(__file__)), accessibility)
        return processes.spawn([sys.executable, "-c", source], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                         env=env)

    def started(self, harness):
        mark = harness.stdout.readline().decode().strip()
        ready, self.directory = harness.stdout.readline().decode().split()
        self.assertEqual(ready, "ready")
        self.assertTrue(os.path.isdir(self.directory))
        return mark

    def assert_nothing_left(self, mark):
        processes.wait_until(lambda: not processes.marked_processes(f"{processes.KIT_MARK}={mark}") and
                       not os.path.exists(self.directory), 30, what=f"the processes and files of {mark} to go")

    def test_killed_outright(self):
        # As ctest ends a test that runs out of time: no handler of the harness runs.
        harness = self.harness()
        mark = self.started(harness)
        # The X server, the bus and both sleeps.
        processes.wait_until(lambda: len(processes.marked_processes(f"{processes.KIT_MARK}={mark}")) == 4, 10, what="four processes")
        os.kill(harness.pid, signal.SIGKILL)
        harness.wait()
        self.assert_nothing_left(mark)

    def test_terminated(self):
        harness = self.harness()
        mark = self.started(harness)
        harness.terminate()
        self.assertEqual(harness.wait(30), -signal.SIGTERM)
        self.assert_nothing_left(mark)

    def test_its_starter_ended(self):
        # As ctest leaves its tests behind when it is ended itself.
        source = HARNESS % (os.path.dirname(os.path.abspath(__file__)), False)
        starter = processes.spawn(["sh", "-c", '"$0" -c "$1" & wait', sys.executable, source], stdout=subprocess.PIPE)
        mark = self.started(starter)
        os.kill(starter.pid, signal.SIGKILL)
        starter.wait()
        self.assert_nothing_left(mark)
        harness = int(mark.split("-")[0])
        processes.wait_until(lambda: not os.path.exists(f"/proc/{harness}"), 30, what="the harness to end")

    def test_failing_while_setting_up(self):
        # The accessibility client cannot load, after the X server and the bus have started.
        with tempfile.TemporaryDirectory() as modules:
            with open(os.path.join(modules, "pyatspi.py"), "w") as f:
                f.write("raise ImportError('no accessibility client here')\n")
            harness = self.harness(accessibility=True, env={**os.environ, "PYTHONPATH": modules})
            mark = harness.stdout.readline().decode().strip()
            _, errors = harness.communicate(timeout=60)
        self.assertIn(b"no accessibility client here", errors)
        # Ended by the harness itself on its way out, before it exited.
        self.assertEqual(processes.marked_processes(f"{processes.KIT_MARK}={mark}"), [])


if __name__ == "__main__":
    unittest.main()
