#!/usr/bin/env bash
# Installs, on Debian, whatever building and running the viewer needs and is missing;
# with --web, what the browser build needs; with --tests, also what its tests need.
# --list prints the packages instead.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libx11-dev libgl1-mesa-dri libglx-mesa0
  # Message boxes drawn with cairo in a sans-serif font. Native on Wayland: EGL, the box's
  # own window read through XKB, and the title bars libdecor draws for SDL's window and
  # the box where the compositor draws none.
  libcairo2-dev fonts-dejavu-core
  libegl-dev libegl-mesa0 libwayland-dev libxkbcommon-dev libdecor-0-dev
  libdecor-0-plugin-1-cairo
  libatk1.0-dev libatk-bridge2.0-dev  # screen readers' objects, through AT-SPI
)
# From Debian 13 on, libdecor draws those title bars with GTK, in the desktop's theme;
# Debian 12 has cairo's alone.
. /etc/os-release
[ "${VERSION_CODENAME:-}" = bookworm ] || packages+=(libdecor-0-plugin-1-gtk)
web_packages=(emscripten nodejs)
test_packages=(
  python3 libosmesa6-dev libgtest-dev xfonts-base
  xvfb x11-utils xdotool imagemagick libxdamage-dev libxfixes-dev libxtst-dev libxss-dev
  openbox fluxbox icewm metacity i3
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils  # monitors arranged with xrandr
  desktop-file-utils appstream dpkg-dev file
  g++-mingw-w64-x86-64 wine wine64 wixl
  locales  # the Wine tests build Russian and Japanese locales with localedef
  sway grim wtype xwayland  # a headless Wayland desktop, its screenshots and keys
  weston  # a desktop that draws no frames, and one without an input seat
  kwin-wayland kwin-style-breeze  # KDE's compositor, which frames windows with Breeze
  gnome-shell  # GNOME's, which frames none
  # The browser build, and a browser of each engine to run it in: Chromium, Firefox,
  # and WebKit through its WebDriver.
  "${web_packages[@]}" chromium firefox-esr webkit2gtk-driver
  debootstrap  # a Debian 13 system to build and start the viewer in
  dbus-daemon at-spi2-core python3-pyatspi  # a screen reader's view of the viewer
)

list=false
tests=false
for argument in "$@"; do
  case $argument in
    --tests) packages+=("${test_packages[@]}"); tests=true ;;
    --web) packages+=("${web_packages[@]}") ;;
    --list) list=true ;;
    *) echo "usage: $0 [--web] [--tests] [--list]" >&2; exit 2 ;;
  esac
done
if $list; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The browser tests' driver for Chromium and Firefox, at the version the lockfile pins.
if $tests; then
  npm ci --prefix "$(dirname "$0")/../tests/web" --no-audit --no-fund
fi
