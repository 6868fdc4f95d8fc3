#!/usr/bin/env bash
# Installs the Debian packages the game, its asset generators and its tests need.
# Does nothing when everything is already there; uses sudo when not root.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake pkg-config
  # libraries the game links
  libglfw3-dev libglew-dev libglm-dev libfreetype-dev libdevil-dev libassimp-dev
  libboost-dev libinih-dev libbullet-dev libopenal-dev libsndfile1-dev
  # asset generators
  python3 python3-pil python3-numpy python3-fonttools espeak-ng sox libsox-fmt-mp3 lame
  fonts-dejavu-core fonts-league-spartan
  # tests: real OpenGL under a virtual X server, key events and screenshots
  googletest libgtest-dev xvfb xauth xdotool imagemagick x11-utils libgl1-mesa-dri
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
echo "Installing missing packages: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
