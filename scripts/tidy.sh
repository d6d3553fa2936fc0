#!/usr/bin/env bash
# Runs clang-tidy (the root .clang-tidy; every finding is an error) over the build's compile
# database, one process per core, and fails when anything is found.
#   scripts/tidy.sh                 every built source of src/ (what CI runs)
#   scripts/tidy.sh --changed [REF] the sources of src/ changed since REF (default main)
#   scripts/tidy.sh FILE...         the named sources (tests/ and bench/ too)
# The database is the default preset's (build/), configured first when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
db=build
[ -f "$db/compile_commands.json" ] || cmake --preset default >/dev/null
if [ "${1:-}" = --changed ]; then
  ref=${2:-main}
  mapfile -t wanted < <(git diff --name-only --diff-filter=d "$(git merge-base "$ref" HEAD)" -- \
                          'src/*.cpp')
elif [ $# -gt 0 ]; then
  wanted=("$@")
else
  mapfile -t wanted < <(git ls-files -- 'src/*.cpp')
fi
# Only what the build compiles: its flags are in the database.
mapfile -t files < <(python3 - "$db/compile_commands.json" "${wanted[@]}" <<'PY'
import json, os, sys
built = {os.path.realpath(e["file"]) for e in json.load(open(sys.argv[1]))}
for f in sys.argv[2:]:
    if os.path.realpath(f) in built:
        print(f)
PY
)
if [ ${#files[@]} -eq 0 ]; then
  echo "Static checks: no built source to check"
  exit 0
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\0' "${files[@]}" |
  xargs -0 -n1 -P"$(nproc)" clang-tidy -p "$db" --quiet >"$log" 2>&1 || status=1
# clang-tidy's own counts ("N warnings generated") are noise; findings and their context stay.
grep -vE '^[0-9]+ warnings? (generated|treated as errors?)\.?$' "$log" || true
if [ $status -ne 0 ]; then
  echo "Static checks failed (.clang-tidy); fix the findings above or, where a finding is wrong," \
       "add NOLINT(check) with the reason" >&2
  exit 1
fi
echo "Static checks: ${#files[@]} files clean"
