#!/usr/bin/env bash
# Prints the CMake preset that QARVO_SANITIZE asks for; its build folder is build-<preset>/
# except for the default one, build/.
case "${QARVO_SANITIZE:-0}" in
  0|"") echo default ;;
  1|address) echo asan ;;
  thread) echo tsan ;;
  *) echo "QARVO_SANITIZE must be 1, address or thread, not ${QARVO_SANITIZE}" >&2; exit 2 ;;
esac
