#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any is missing (ccache: a rebuild in an
# emptied folder or another checkout reuses what was compiled). `scripts/setup.sh ci` also
# installs what CI's checks use: the formatter, the static checker, clang with libFuzzer's
# runtime.
set -euo pipefail
packages=(
  cmake g++ make pkg-config ccache
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
  libavfilter-dev libavdevice-dev
  # The codec library's build with the AMR encoders the 3GP formats offer; it stands in for
  # libavcodec59 (same version, same majors), which the -dev package's dependency accepts.
  libavcodec-extra59
  libsdl2-dev qt6-base-dev qt6-base-dev-tools
  libjpeg62-turbo-dev libsimpleini-dev libyuv-dev
  libgtest-dev libgmock-dev
  xvfb xauth
)
if [ "${1:-}" = ci ]; then
  packages+=(clang clang-format clang-tidy libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
