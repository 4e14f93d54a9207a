#!/usr/bin/env bash
# Installs the Debian packages the game, its asset tool and its tests need.
# Does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libsdl2-dev libx11-dev libxdamage-dev libgl-dev libgl1-mesa-dri
  libopenal-dev libvorbis-dev libogg-dev
  libpng-dev libjpeg-dev libfreetype-dev zlib1g-dev libcairo2-dev
  libgtest-dev googletest libbenchmark-dev valgrind
  xvfb xauth xdotool x11-utils xdg-utils xfonts-base
  fonts-cabinsketch fonts-comic-neue fonts-glasstty fonts-3270 fonts-oldstandard
  fonts-goudybookletter fonts-cabin fonts-league-spartan fonts-cantarell
  fonts-terminus-otb
  desktop-file-utils appstream dpkg-dev file
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

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    SUDO=sudo
  else
    echo "setup: these packages are missing and installing them needs root. Run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
