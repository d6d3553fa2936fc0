#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs the whole test suite.
# QARVO_SANITIZE=1 ./test.sh builds into build-asan/ with address and undefined-behaviour checks,
# QARVO_SANITIZE=thread ./test.sh into build-tsan/ with the thread sanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
preset=$(scripts/preset.sh)
dir=build
[ "$preset" != default ] && dir="build-$preset"
if [ "$preset" = asan ]; then
  export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp print_suppressions=0}"
fi
if [ "$preset" = tsan ]; then
  export TSAN_OPTIONS="${TSAN_OPTIONS:-suppressions=$PWD/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1}"
fi
export QARVO_TEST_MEDIA_DIR="${QARVO_TEST_MEDIA_DIR:-$PWD/$dir/testmedia}"
cd "$dir"
exec ctest --output-on-failure -j2 --timeout 600 "$@"
