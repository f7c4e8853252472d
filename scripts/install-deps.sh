#!/usr/bin/env bash
# Installs the Debian 12 packages Corvane builds, runs and tests with, when any is missing.
# Needs root (or sudo) only when something has to be installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgl-dev libglu1-mesa-dev freeglut3-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libfltk1.3-dev libpng-dev libgtest-dev libstb-dev
  xvfb xauth x11-utils xdotool imagemagick
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
