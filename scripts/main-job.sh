#!/usr/bin/env bash
# The main job: convert the bundled sample clip with the default output format and describe
# what came out. The GUI is build/qarvo.
set -euo pipefail
cd "$(dirname "$0")/../build"
sample="$PWD/sample/sample.avi"
out="$PWD/output"
code="${QARVO_FORMAT_CODE:-1}"
mkdir -p "$out"
echo "Converting $sample to format $(./qarvo-convert --list-formats | awk -F'\t' -v c="$code" '$1==c {print $1 " (" $2 ")"}')"
# Own settings file for the job, so a user's choices neither change nor disturb it.
export QARVO_SETTINGS_FILE="${QARVO_SETTINGS_FILE:-$PWD/main-job-settings.ini}"
made=$(./qarvo-convert --format "$code" --output "$out" "$sample")
echo "Made: $made"
./qarvo-convert --info "$made"
