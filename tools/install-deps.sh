#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Does nothing when they are all present, so repeated `make` calls stay fast.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config clang
  qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev libgl-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  portaudio19-dev libpulse-dev libsoundtouch-dev libshout3-dev ladspa-sdk libtag1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg sox lame vorbis-tools icecast2 xauth xvfb pulseaudio pulseaudio-utils libxml2-utils
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
