#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the sound checks against PulseAudio itself. On Debian 12 PulseAudio cannot be installed
# beside pipewire-pulse, which the test suite uses, so its daemon runs from a throw-away Debian 12
# root made with debootstrap; ALARM, the probe and the recorder stay on this machine and reach it
# through its socket in that root.
#   scripts/check-pulseaudio.sh [ROOT]    ROOT defaults to /var/tmp/alarm-pulseaudio-root and is
#                                         made when it holds no PulseAudio yet (needs root)
# Then it runs the sound server tests (tests/platform/sound/test_soundserver.py), the end-to-end ringing
# tests (tests/e2e/test_sound.py) and the sound benchmark on it. Build first (scripts/dev test).
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-/var/tmp/alarm-pulseaudio-root}
root=$(realpath -m "$root")

if [ ! -x "$root/usr/bin/pulseaudio" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "making $root needs root" >&2; exit 1; }
    dpkg-query -W -f='${Status}' debootstrap 2>/dev/null | grep -q "install ok installed" ||
        apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends debootstrap
    debootstrap --variant=minbase --include=pulseaudio bookworm "$root"
fi
[ -x build/tests/soundprobe ] || { echo "build first: scripts/dev test" >&2; exit 1; }

export ALARM_TEST_PULSEAUDIO_ROOT=$root ALARM_BUILD_DIR=$PWD/build ALARM_CMD_TEST_NEVER_ACT=1
export PYTHONPATH=$PWD/tests PYTHONDONTWRITEBYTECODE=1
(cd tests/platform/sound && /usr/bin/python3 -m unittest -v test_soundserver)
(cd tests/e2e && /usr/bin/python3 -m unittest -v test_sound)
/usr/bin/python3 bench/sound.py --server pulseaudio --pulseaudio-root "$root"
