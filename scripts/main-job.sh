#!/usr/bin/env bash
# The main job: start the application (needs a display).
set -euo pipefail
cd "$(dirname "$0")/../build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "qarvo: no display (DISPLAY is not set); the GUI cannot start here. Built: $PWD/qarvo" >&2
  exit 1
fi
exec ./qarvo "$@"
