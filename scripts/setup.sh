#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the program and the tests need and is not yet installed.
# Works on a fresh Debian 12 machine as root, or as a user with sudo.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libx11-dev libglew-dev libgl1-mesa-dri xvfb xauth
  # A small window manager for the tests of full screen under one.
  openbox
  libcurl4-openssl-dev
  libgtest-dev libbenchmark-dev
  # Independent tools and yardsticks used by the tests and benchmarks.
  python3 sox imagemagick xdotool libstb-dev libpugixml-dev libtinyxml2-dev libinih-dev libxml2-utils
  glslang-tools gdb
  # The fuzz targets (scripts/fuzz.sh): clang with its sanitizer and libFuzzer runtimes.
  clang-14 libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
