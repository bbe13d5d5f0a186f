#!/usr/bin/env bash
# Installs every Debian package that building, running and testing both programs needs.
# Does nothing when all of them are present already.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format-14
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  libsdl2-dev libxdamage-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-comic-neue fonts-dejavu-core
  xvfb xauth xdotool x11-utils x11-xserver-utils openbox metacity desktop-file-utils
  weston qt6-wayland
  appstream
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
else
  sudo=
fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
