#!/usr/bin/env bash
# Installs the Debian packages needed to build and test Quillon, only when some are missing.
# Sourced by run.sh and test.sh; usable on its own too.
set -euo pipefail

QUILLON_PACKAGES=(
  g++ cmake ninja-build pkg-config git
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmp3lame-dev lame mpg123 mp3val
  libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev qt6-translations-l10n fonts-liberation
  libsdl2-dev libcurl4-openssl-dev libtag1-dev zlib1g-dev python3-mutagen
  ffmpeg sox
  librsvg2-bin desktop-file-utils appstream dpkg-dev
  xclip xvfb xauth openbox xdotool x11-utils
  clang libclang-rt-14-dev
  ccache
  libebur128-dev libsoxr-dev libpng-dev
)

quillon_missing_packages() {
  local missing=()
  for package in "${QUILLON_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  echo "${missing[@]:-}"
}

quillon_setup() {
  local missing
  missing=$(quillon_missing_packages)
  [ -z "$missing" ] && return 0
  echo "Installing: $missing"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# quillon_build [TARGET...]: builds the named targets, or everything.
quillon_build() {
  # ccache lets a second run on the same machine rebuild only what changed.
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${QUILLON_BUILD_TYPE:-RelWithDebInfo}" \
    "${launcher[@]}" >/dev/null
  if [ "$#" -gt 0 ]; then
    cmake --build build --target "$@"
  else
    cmake --build build
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  cd "$(dirname "$0")/.."
  quillon_setup
fi
