#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the randomised window test with many actions.
#   scripts/random-actions.sh [COUNT [SEED]]     default: 100000 actions, seed from the clock
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
seed=${2:-$(date +%s)}
cmake -S . -B build >/dev/null
cmake --build build --target tst_randomised -j"$(nproc)" >/dev/null
echo "Running $count random actions from seed $seed"
QT_QPA_PLATFORM=offscreen ALARM_RANDOM_ACTIONS=$count ALARM_RANDOM_SEED=$seed build/tests/tst_randomised
