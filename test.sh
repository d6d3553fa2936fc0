#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs the whole test suite.
# QARVO_SANITIZE=1 ./test.sh builds into build-asan/ with address and undefined-behaviour checks.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
dir=build
[ "${QARVO_SANITIZE:-0}" = 1 ] && dir=build-asan
export QARVO_TEST_MEDIA_DIR="${QARVO_TEST_MEDIA_DIR:-$PWD/$dir/testmedia}"
cd "$dir"
exec ctest --output-on-failure -j2 --timeout 600 "$@"
