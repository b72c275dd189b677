#!/usr/bin/env bash
# Installs, on Debian, whatever the build, the viewer and its tests need and is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3
  libsdl2-dev libgl-dev libgl1-mesa-dri libglx-mesa0 libosmesa6-dev libgtest-dev
  xvfb xfonts-base x11-utils xdotool imagemagick libx11-dev libxdamage-dev libxfixes-dev libxtst-dev
  g++-mingw-w64-x86-64 wine wine64
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
