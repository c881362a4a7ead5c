#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the parser of alarm-wake's argument with libFuzzer (clang, AddressSanitizer, UBSan) and
# fuzzes it for SECONDS (scripts/lib/fuzz.sh). Exits non-zero when the fuzzer finds a fault; the
# crashing input is then left in the build directory.
#   usage: scripts/fuzz-alarm-wake.sh SECONDS
set -euo pipefail

source "$(dirname "$0")/lib/fuzz.sh"
corpus="$out/corpus-wake"
mkdir -p "$corpus"

fuzz_build fuzz-alarm-wake -I "$root/tools/alarm-wake" \
    "$root/tools/alarm-wake/WakeTime.cpp" "$root/tests/tools/fuzz_wake_time.cpp"

# Seeds around the target's fixed now (1800000000) and its 48-hour bound, and near misses.
printf '1800003600' >"$corpus/seed-an-hour"
printf '1800172800' >"$corpus/seed-the-bound"
printf '1800172801' >"$corpus/seed-past-the-bound"
printf '01800003600' >"$corpus/seed-leading-zero"
printf -- '-1800003600' >"$corpus/seed-sign"
printf '999999999999' >"$corpus/seed-twelve-digits"

cd "$out"
exec ./fuzz-alarm-wake -max_total_time="$seconds" -timeout=5 -max_len=64 -print_final_stats=1 "$corpus"
