#!/usr/bin/env bash
# Configures and builds into build/, or with QARVO_SANITIZE=1 (address and undefined
# behaviour) into build-asan/, with QARVO_SANITIZE=thread into build-tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$(scripts/preset.sh)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
