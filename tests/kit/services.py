# SPDX-License-Identifier: MIT
"""Stand-ins of the services a program meets on a desktop, built with the tests (tests/support):
a notification service, and the services that hold sleep off and wake the computer, GNOME's,
Plasma's, the desktop portal's and logind's, the last on a private system bus. Each records every
call it receives, and ends with close() or with the run."""
import json
import os
import subprocess
import threading

from kit import BUILD_DIR
from kit.processes import end, spawn, wait_until


class _Recorder:
    """A stand-in program that says it is ready and then writes one JSON line a call."""

    def __init__(self, command, env):
        self.process = spawn(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=env)
        self.lines = []
        assert json.loads(self.process.stdout.readline()).get("ready"), f"{command[0]} did not start"
        self.reader = threading.Thread(target=lambda: self.lines.extend(map(json.loads, self.process.stdout)),
                                       daemon=True)
        self.reader.start()

    def tell(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def records(self, **fields):
        """What it recorded so far, those lines only that hold all these fields and values."""
        return [line for line in list(self.lines) if all(line.get(k) == v for k, v in fields.items())]

    def wait_for(self, description, timeout=10, count=1, **fields):
        """The lines that hold these fields, once there are count of them."""
        return wait_until(lambda: len(self.records(**fields)) >= count and self.records(**fields), timeout,
                          what=description)

    def close(self):
        end(self.process)
        self.reader.join(5)
        for pipe in (self.process.stdin, self.process.stdout):
            pipe.close()


class NotificationService(_Recorder):
    """org.freedesktop.Notifications on the session's bus."""

    def __init__(self, session):
        super().__init__([os.path.join(BUILD_DIR, "tests", "alarm_test_notification_server")],
                         session.desktop.environment())

    def calls(self, method):
        return self.records(call=method)

    def pick_action(self, notify):
        self.tell(f"action {notify['id']} {notify['actions'][0]}")


class PowerServices(_Recorder):
    """Stand-ins of the power services a desktop may have, those named: "gnome", "fdo", "portal"
    and "plasma" on the desktop's session bus, and "logind" on a private system bus of their own,
    which environment() names for the program. None can suspend anything."""
    ALL = ("gnome", "fdo", "portal", "plasma", "logind")

    def __init__(self, desktop, services=ALL):
        self.system_bus, self.system_address = desktop.new_bus()
        super().__init__([os.path.join(BUILD_DIR, "tests", "alarm_test_power_services"), *services],
                         {**desktop.environment(), **self.environment()})

    def environment(self):
        return {"DBUS_SYSTEM_BUS_ADDRESS": self.system_address}

    def announce(self, sleep):
        """Announces a sleep (True) or the end of one (False), as logind does."""
        self.tell("sleep" if sleep else "wake")

    def held(self, service):
        """The inhibitions of a service on the session bus that their callers still hold."""
        taken = self.records(service=service, call="Inhibit")
        gone = {line["gone"] for line in self.records(service=service) if "gone" in line}
        let_go = {line.get("cookie", line.get("handle")) for line in self.records(service=service)
                  if line.get("call") in ("Uninhibit", "UnInhibit", "Close")}
        return [line for line in taken if line["sender"] not in gone and
                line.get("cookie", line.get("handle")) not in let_go]

    def locks(self, what):
        """logind's locks of this kind ("idle", "sleep") that are still held."""
        released = {line["released"] for line in self.records() if "released" in line}
        return [line for line in self.records(service="logind", call="Inhibit", what=what)
                if line["lock"] not in released]

    def close(self):
        super().close()
        end(self.system_bus)
