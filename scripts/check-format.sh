#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format (the root .clang-format) makes of
# it, and names each such file; `scripts/check-format.sh --fix` formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! report=$(clang-format --dry-run -Werror "${files[@]}" 2>&1); then
  echo "Not formatted (scripts/check-format.sh --fix formats them):" >&2
  grep -oE '^[^ :]+:[0-9]+:[0-9]+: error' <<<"$report" | cut -d: -f1 | sort -u | sed 's/^/  /' >&2
  exit 1
fi
echo "Formatting: ${#files[@]} files clean"
