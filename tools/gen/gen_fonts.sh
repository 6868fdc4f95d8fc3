#!/usr/bin/env bash
# Copies the two fonts the game loads from Debian's free font packages, each with its
# licence beside it:
#   ALIENS.ttf   <- League Spartan Bold (display face of menus, loading and end screens)
#   unispace.ttf <- DejaVu Sans Mono Bold (monospaced face of the FPS text and notices)
# Usage: gen_fonts.sh <assets dir>
set -euo pipefail

assets="${1:?usage: gen_fonts.sh <assets dir>}"
out="$assets/fonts"
mkdir -p "$out"

copy_font() {
  local source="$1" target="$2" licence="$3" package="$4"
  if [ ! -f "$source" ]; then
    echo "gen_fonts: $source is missing; install the Debian package $package (tools/deps.sh)" >&2
    exit 1
  fi
  cp "$source" "$out/$target"
  if [ -f "$licence" ]; then
    cp "$licence" "$out/${target%.ttf}.LICENSE.txt"
  else
    echo "gen_fonts: licence file $licence of $package is missing" >&2
    exit 1
  fi
}

copy_font /usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf ALIENS.ttf \
  /usr/share/doc/fonts-league-spartan/copyright fonts-league-spartan
copy_font /usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf unispace.ttf \
  /usr/share/doc/fonts-dejavu-core/copyright fonts-dejavu-core

echo "gen_fonts: ALIENS.ttf, unispace.ttf"
