#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs the main job.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
exec scripts/main-job.sh
