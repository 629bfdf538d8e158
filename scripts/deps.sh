#!/usr/bin/env bash
# Installs every Debian package Rollix needs to build, test and play, when missing.
# Runs as root (or through sudo). Safe to run again: it installs only what is absent.
set -euo pipefail

PACKAGES=(
  # toolchain
  g++ cmake ninja-build ccache pkg-config git clang-format
  # platform: window, GL context, input, joystick
  libsdl2-dev libgl-dev libgl1-mesa-dri libglu1-mesa-dev
  # audio
  libopenal-dev libogg-dev libvorbis-dev
  # the reference Ogg Vorbis encoder and decoder the decoder tests compare with
  vorbis-tools
  # pictures and compression
  libpng-dev libjpeg-dev zlib1g-dev
  # web records, settings, front-end windows, JSON for tools
  libcurl4-openssl-dev libsimpleini-dev libimgui-dev nlohmann-json3-dev
  # content tools: glyph rendering, fonts, sounds
  libfreetype-dev fonts-dejavu-core
  # tests and benchmarks, headless display
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "rollix: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
