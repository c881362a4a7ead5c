# SPDX-License-Identifier: MIT
# What the fuzz scripts share, sourced by them: their one argument, SECONDS, where they build, and
# how (libFuzzer with clang, AddressSanitizer and UBSan). Needs clang and libclang-rt-14-dev.

seconds="${1:-}"
if [[ ! "$seconds" =~ ^[0-9]+$ ]] || ((seconds == 0)); then
    echo "usage: $0 SECONDS" >&2
    exit 2
fi

root="$(cd "$(dirname "$0")/.." && pwd)"
out="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
mkdir -p "$out"

# fuzz_build PROGRAM CLANG-ARGUMENTS...: builds the fuzzer $out/PROGRAM.
fuzz_build() {
    local program=$1
    shift
    "${CXX_FUZZ:-clang++}" -std=c++20 -g -O1 -Wall -Wextra \
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all "$@" -o "$out/$program"
}
