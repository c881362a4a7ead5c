#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every translation is complete and up to date with the sources: no message unfinished, missing
or left over, and each keeps what the program relies on: its placeholders, the blanks a tooltip
ends in (the gap it shows as it scrolls round), and the line end of a command-line text.

usage: check_translations.py LUPDATE SOURCE_ROOT TS_FILE..."""

import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

LUPDATE, ROOT, *TS_FILES = sys.argv[1:]
SOURCES = [str(Path(ROOT, "src", d)) for d in ("app", "plans", "timeentry", "hints")]


def messages(ts_file):
    """(context, source, numerus, translation type, [translations]) for each message."""
    for context in ET.parse(ts_file).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            forms = [f.text or "" for f in translation.iter("numerusform")] or [translation.text or ""]
            yield name, message.findtext("source"), message.get("numerus") == "yes", translation.get("type"), forms


def placeholders(text):
    return sorted(set(re.findall(r"%\d", text)))


def trailing_blanks(text):
    return len(text) - len(text.rstrip(" "))


class Translations(unittest.TestCase):
    def test_each_file_holds_every_message_of_the_sources(self):
        for ts_file in TS_FILES:
            with self.subTest(Path(ts_file).name), tempfile.TemporaryDirectory() as scratch:
                updated = Path(scratch, Path(ts_file).name)
                shutil.copy(ts_file, updated)
                subprocess.run([LUPDATE, "-silent", "-locations", "none", *SOURCES, "-ts", str(updated)],
                               check=True)
                committed = {(c, s) for c, s, *_ in messages(ts_file)}
                current = list(messages(updated))
                self.assertEqual([(c, s) for c, s, _, kind, _ in current if kind == "unfinished"], [],
                                 "new or unfinished: run the update_translations target and translate")
                self.assertEqual([(c, s) for c, s, _, kind, _ in current if kind in ("vanished", "obsolete")],
                                 [], "no longer in the sources")
                self.assertEqual(committed, {(c, s) for c, s, *_ in current})

    def test_each_translation_keeps_what_the_program_relies_on(self):
        for ts_file in TS_FILES:
            for context, source, numerus, _, forms in messages(ts_file):
                with self.subTest(f"{Path(ts_file).name}: {source[:40]!r}"):
                    self.assertTrue(all(f.strip() for f in forms), forms)
                    for form in forms:
                        wanted = placeholders(source)
                        self.assertEqual(placeholders(form), wanted, form)
                        if context == "Alarm":
                            self.assertEqual(trailing_blanks(form), trailing_blanks(source), repr(form))
                        self.assertEqual(form.endswith("\n"), source.endswith("\n"), repr(form))
                    if numerus:
                        self.assertIn("%n", forms[-1], "the general form names its number")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
