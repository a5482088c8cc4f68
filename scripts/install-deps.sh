#!/usr/bin/env bash
# Installs every Debian package Brevora needs to build, run and test.
# Does nothing when all of them are present; uses sudo when not run as root.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  clang-format
  # the fuzz build: clang with libFuzzer and the sanitizers
  clang
  # test and benchmark frameworks
  libgtest-dev libgmock-dev libbenchmark-dev
  # platform layer: window, sound, input, video
  libsdl2-dev libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  libpng-dev zlib1g-dev
  # MIDI input: RtMidi over the ALSA sequencer and JACK; a JACK server for its tests
  librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2
  # generators of the desk's artwork, sounds and video
  libcairo2-dev libpango1.0-dev libfreetype-dev fonts-dejavu-core
  # interoperability checks and the error-name table generator
  sox mingw-w64-common
  # the real-window checks under a virtual display: the server, a window
  # manager, keys and pointer, window names, keyboard layouts, screenshots
  xvfb openbox xauth xdotool x11-utils x11-xkb-utils ffmpeg python3
  # installing and packaging: the Debian package, its checks, the desktop's validators
  dpkg-dev file lintian desktop-file-utils appstream groff-base shared-mime-info libglib2.0-bin
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

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
