#!/bin/sh
# Builds the fuzz targets (preset "fuzz", folder build-fuzz/) and runs each for the given
# number of seconds, one after another, on a single core.
#   fuzz/run.sh SECONDS [TARGET...]     targets: OptionText IniRoundTrip Presets FormatDefinition Probe
# New inputs collect in build-fuzz/fuzz-work/corpus/<target>, findings in
# build-fuzz/fuzz-work/artifacts/<target>, the fuzzer's output in build-fuzz/fuzz-work/logs.
set -eu

seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=${*:-OptionText IniRoundTrip Presets FormatDefinition Probe}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$root/build-fuzz
work=$build/fuzz-work

# clang and libFuzzer's runtime (Debian 12).
install_tools() {
  if command -v clang++ >/dev/null 2>&1 &&
     ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    return
  fi
  sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update
  $sudo apt-get install -y clang libclang-rt-14-dev
}

# Clips of the test-media generator, cut to their first bytes: the container headers are
# what the probe reads, and short inputs keep the fuzzer fast.
make_media_seeds() {
  seeds=$work/seeds/Probe
  [ -d "$seeds" ] && return
  mkdir -p "$work/media" "$seeds"
  for clip in avi_mpeg4_mp3 mp4_h264_aac mkv_mpeg4_vorbis mpg_mpeg2_mp2 flv 3gp_h263_aac \
              audio_only video_only; do
    file=$work/media/$clip
    "$build/qarvo-mkclip" "$clip" "$file"
    head -c 49152 "$file" > "$seeds/$clip"
  done
}

install_tools
cmake --preset fuzz -S "$root" >/dev/null
cmake --build --preset fuzz -j2
make_media_seeds

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for target in $targets; do
  corpus=$work/corpus/$target
  artifacts=$work/artifacts/$target
  logs=$work/logs/$target
  mkdir -p "$corpus" "$artifacts" "$logs"
  seeds=$here/corpus/$target
  [ "$target" = Probe ] && seeds=$work/seeds/Probe
  echo "== $target: $seconds s"
  # -jobs=1 runs the fuzzer in a child whose output goes to fuzz-0.log in the current folder;
  # the driver repeats it in full, dictionary included, so only the summary is shown here.
  (cd "$logs" && "$build/fuzz/qarvo_fuzz_$target" -jobs=1 -workers=1 \
      -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds" \
      >"$logs/driver.log" 2>&1) || status=1
  grep -aE '^stat::|ERROR|SUMMARY|Test unit written' "$logs/fuzz-0.log" | sed 's/[[:space:]]*$//' |
      awk '!seen[$0]++' || true
  [ -z "$(ls -A "$artifacts")" ] || { echo "findings in $artifacts:"; ls "$artifacts"; status=1; }
done
exit $status
