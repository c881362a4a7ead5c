#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the alarm-cmd script parser with libFuzzer (clang, AddressSanitizer, UBSan) and fuzzes it
# for SECONDS (scripts/lib/fuzz.sh). Exits non-zero when the fuzzer finds a fault; the crashing
# input is then left in the build directory.
#   usage: scripts/fuzz-alarm-cmd.sh SECONDS
set -euo pipefail

source "$(dirname "$0")/lib/fuzz.sh"
corpus="$out/corpus"
mkdir -p "$corpus"

fuzz_build fuzz-alarm-cmd -I "$root/tools/alarm-cmd" -I "$root/src/platform/shared" \
    "$root/tools/alarm-cmd/ScriptParser.cpp" "$root/src/platform/shared/Ownership.cpp" \
    "$root/tests/tools/fuzz_script_parser.cpp"

# Seeds: the script the window writes and a few near misses.
printf 'C:\\windows\\system32\\shutdown -s -f -t 00\r\n' >"$corpus/seed-window"
printf 'shutdown /r /t 60\n' >"$corpus/seed-restart"
printf '\r\nSHUTDOWN.EXE -S\r\n\r\n' >"$corpus/seed-blank-lines"
printf 'shutdown -s & calc\r\n' >"$corpus/seed-chained"
printf 'C:\\evil\\shutdown.exe.bat -s\r\n' >"$corpus/seed-other-program"

cat >"$out/alarm-cmd.dict" <<'DICT'
"shutdown"
".exe"
"C:\\windows\\system32\\"
"-s"
"/s"
"-r"
"/R"
"-f"
"-t"
" 00"
" 315360000"
" 315360001"
"\x0D\x0A"
"\x0A"
" "
"\x09"
"&"
"|"
DICT

cd "$out"
exec ./fuzz-alarm-cmd -max_total_time="$seconds" -timeout=5 -max_len=5000 -dict="$out/alarm-cmd.dict" \
    -print_final_stats=1 "$corpus"
