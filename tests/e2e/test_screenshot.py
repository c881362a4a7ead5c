# SPDX-License-Identifier: MIT
"""The screenshot of the window kept in data/screenshots: taken here from the running program,
with a time picked, and compared with the kept one, so that the kept one stays the window as it
is. ALARM_UPDATE_SCREENSHOT=1 replaces the kept one with the one taken."""
import os
import shutil
import subprocess
import unittest

from kit import BUILD_DIR
from kit.processes import wait_until
from kit.program import SessionTest

KEPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../data/screenshots/alarm.png")
# The credit line at the bottom blinks with the time, so it is left out of the comparison.
STEADY_PART = "193x112+0+0"


def differing_pixels(taken, kept):
    result = subprocess.run(["compare", "-metric", "AE", "-fuzz", "10%", f"{taken}[{STEADY_PART}]",
                             f"{kept}[{STEADY_PART}]", "null:"], capture_output=True, text=True)
    try:
        return int(float(result.stderr.split()[0]))
    except (IndexError, ValueError):
        raise AssertionError(f"compare failed: {result.stderr}")


class Screenshot(SessionTest):
    fake_time = "2026-12-07 10:00:05"

    def test_the_kept_screenshot_is_the_window(self):
        s = self.session
        self.start()
        s.pick_with_keys(8, 31, 2)  # 07 : 30 : PM
        s.wait_for_control("Label6", lambda c: c["name"] == "07 : 30 : PM", what="the chosen time")
        s.wait_for_control("Alarmon", lambda c: c["enabled"], what="ON to be enabled")
        # The pointer away, and with it any tooltip over the window; and the window inactive, as
        # beside the program one shows it in, so that no control is drawn with the focus.
        s.x.xdotool("mousemove", "0", "0")
        wait_until(lambda: list(s.windows()) == [s.window], 5, what="tooltips to close")
        s.x.take_focus()
        s.wait_for_control("AM", lambda c: not c["focused"], what="the window to lose the focus")

        taken = os.path.join(BUILD_DIR, "screenshot", "alarm.png")
        os.makedirs(os.path.dirname(taken), exist_ok=True)

        def take():
            # Without metadata, so that the same window gives the same file.
            s.x.run("import", "-window", s.window, "-strip", taken)
            return differing_pixels(taken, KEPT)
        if os.environ.get("ALARM_UPDATE_SCREENSHOT"):
            take()
            shutil.copyfile(taken, KEPT)
        # The window repaints a moment after it has lost the focus: taken again until it looks the
        # same, for a while.
        try:
            wait_until(lambda: take() < 20, 3, what="the window as kept")
        except AssertionError:
            pass
        self.assertEqual(s.x.run("identify", "-format", "%wx%h", taken), "193x133")
        self.assertLess(differing_pixels(taken, KEPT), 20,
                        f"the window no longer looks like {os.path.normpath(KEPT)}; if {taken} shows it "
                        f"right, keep it: ALARM_UPDATE_SCREENSHOT=1 ctest -R e2e_screenshot")


if __name__ == "__main__":
    unittest.main()
