# SPDX-License-Identifier: MIT
"""Start-up as a person sees it: the greeting box first, then the window, centred and blinking."""
import time
import unittest

from kit.processes import wait_until
from kit.program import CONTROL_ORDER, GREETING_TITLE, WINDOW_SIZE, SessionTest


class StartUp(SessionTest):
    fake_time = "2026-12-07 19:30:05"

    def test_greeting_then_centred_blinking_window(self):
        s = self.session
        s.start()
        box = s.wait_for_window(lambda _, title: title.startswith(GREETING_TITLE), what="greeting box")
        # The window waits behind the box until it is closed.
        self.assertEqual(list(s.windows()), [box])
        self.assertRegex(s.windows()[box], r"^Your computer time is :  19:30:0\d$")
        title, texts, buttons = wait_until(s.box_texts, 5, what="the box in the accessibility tree")
        self.assertEqual(title, s.windows()[box])
        self.assertEqual(buttons, ["OK"])
        self.assertEqual(len(texts), 1)
        self.assertTrue(texts[0].startswith("Set alarm / shut down, in a planned time. Check the sound track, "
                                            "for alarm. By, Velmora"), texts)

        window = s.dismiss_greeting()
        x, y, width, height = s.x.geometry(window)
        self.assertEqual((width, height), WINDOW_SIZE)
        self.assertLessEqual(abs(x + width / 2 - 512), 1)
        self.assertLessEqual(abs(y + height / 2 - 384), 1)

        titles = set()
        deadline = time.monotonic() + 2.6
        while time.monotonic() < deadline:
            titles.add(s.title())
            time.sleep(0.1)
        self.assertIn("ALARM", titles)
        self.assertTrue(any(t.startswith("19:30:") for t in titles), titles)
        self.assertLessEqual(len(titles), 3, titles)

    def test_controls_at_start_speak_their_names(self):
        s = self.session
        self.start()
        s.wait_for_control("Label6", lambda c: c["name"] == " :  : ", what="first tick")
        controls = s.controls()
        self.assertEqual([controls[n]["name"] for n in ("Hour", "Minutes", "AM")], ["Hour", "Minutes", "AM / PM"])
        self.assertEqual({n: (c["enabled"], c["visible"]) for n, c in controls.items()
                          if n in ("Alarmon", "Alarmoff", "Shutdown", "Details")},
                         {"Alarmon": (False, True), "Alarmoff": (True, False), "Shutdown": (False, True),
                          "Details": (True, True)})
        self.assertEqual(controls["Label1"]["description"], "Set hour   ")

    # A screen reader is told what a listener needs, not the clock: in ten seconds of idling, with
    # the caption, the credit and the hidden fields changing every second, it hears nothing.
    def test_idling_says_nothing_to_a_screen_reader(self):
        from gi.repository import GLib
        s = self.session
        self.start()
        # After the first tick has shown the (empty) chosen time, which a listener does need.
        s.wait_for_control("Label6", lambda c: c["name"] == " :  : ", what="first tick")
        controls = s.controls()
        self.assertEqual(list(controls), CONTROL_ORDER)
        self.assertNotIn("text", [c["role"] for c in controls.values()])

        heard = []
        registry = s.desktop.atspi.Registry

        def on_event(event):
            if event.source and event.source.getApplication().get_process_id() == s.app.pid:
                heard.append((event.type, event.source.getRoleName(), event.source.name))

        registry.registerEventListener(on_event, "object", "window")
        self.addCleanup(registry.deregisterEventListener, on_event, "object", "window")

        def run_for(seconds, until=lambda: False):
            loop, deadline = GLib.MainLoop(), time.monotonic() + seconds

            def check():
                done = until() or time.monotonic() > deadline
                if done:
                    loop.quit()
                return not done
            GLib.timeout_add(50, check)
            loop.run()

        # The listener hears the program: moving the focus is told.
        s.keys("Tab")
        run_for(5, until=lambda: heard)
        self.assertTrue(heard, "no event at all from the program")
        heard.clear()
        run_for(10)
        self.assertEqual(heard, [])


if __name__ == "__main__":
    unittest.main()
