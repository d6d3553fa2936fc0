#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with QARVO_SANITIZE=1).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${QARVO_SANITIZE:-0}" = 1 ]; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j"$(nproc)"
else
  cmake --preset default >/dev/null
  cmake --build --preset default -j"$(nproc)"
fi
