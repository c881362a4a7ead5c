#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the whole suite (scripts/dev test) N times in a row and reports which runs failed and which
# tests failed in them. A run also fails when any process it started is still alive after it.
#   scripts/soak-tests.sh N [--hog]    --hog: one CPU-bound process runs beside the suite throughout
set -uo pipefail
cd "$(dirname "$0")/.."

runs=${1:-}
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]] || [ $# -gt 2 ] || { [ $# -eq 2 ] && [ "$2" != --hog ]; }; then
    echo "usage: scripts/soak-tests.sh N [--hog]" >&2
    exit 2
fi

logs=$(mktemp -d /tmp/alarm-soak-XXXXXX)
hog=
end_hog() { [ -n "$hog" ] && kill "$hog" 2>/dev/null; }
trap end_hog EXIT
if [ "${2:-}" = --hog ]; then
    (while :; do :; done) &
    hog=$!
fi

# Live processes whose environment carries the run's mark.
marked() {
    local pid
    for pid in /proc/[0-9]*; do
        grep -qzx "ALARM_TEST_RUN=$1" "$pid/environ" 2>/dev/null && echo "${pid#/proc/}"
    done
}

failed=0
declare -A failures=()
for run in $(seq "$runs"); do
    mark="soak-$$-$run"
    log="$logs/run-$run.log"
    started=$SECONDS
    ALARM_TEST_RUN=$mark scripts/dev test >"$log" 2>&1
    status=$?
    # ctest names the tests that failed, under the build directory it ran in.
    tests=$(awk '/^Test project /{dir=$3; sub(".*/", "", dir)}
                 /The following tests FAILED:/{listing=1; next}
                 listing && /^[ \t]+[0-9]+ - /{print dir "/" $3; next}
                 {listing=0}' "$log")
    [ $status -ne 0 ] && [ -z "$tests" ] && tests="setup"
    left=$(marked "$mark")
    if [ -n "$left" ]; then
        tests+=" leftover:$(for pid in $left; do tr '\0' ' ' <"/proc/$pid/cmdline" | cut -c1-40; done | tr ' ' '_' | paste -sd,)"
        kill -KILL $left 2>/dev/null
    fi
    # The desktop kit names its temporary directories after the run's mark.
    for dir in /tmp/*"$mark"-*; do
        [ -e "$dir" ] && tests+=" leftover:$dir" && rm -rf "$dir"
    done
    if [ -n "$tests" ]; then
        failed=$((failed + 1))
        for test in $tests; do failures[$test]=$((${failures[$test]:-0} + 1)); done
        echo "run $run/$runs: FAILED after $((SECONDS - started)) s: $(echo $tests) (log: $log)"
    else
        echo "run $run/$runs: passed in $((SECONDS - started)) s"
        rm -f "$log"
    fi
done

echo "$failed of $runs runs failed${hog:+ (with a CPU hog beside them)}"
for test in "${!failures[@]}"; do
    echo "  $test: ${failures[$test]}"
done
[ "$failed" -eq 0 ] && rmdir "$logs"
exit $((failed > 0))
