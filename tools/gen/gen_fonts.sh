#!/usr/bin/env bash
# Copies the two fonts the game loads from Debian's free font packages, each with its
# licence beside it:
#   ALIENS.ttf   <- League Spartan Bold, narrowed to 86 % of its width so that the
#                   menu's longest item fits its column (display face of menus,
#                   loading and end screens)
#   unispace.ttf <- DejaVu Sans Mono Bold (monospaced face of the FPS text and notices)
# Usage: gen_fonts.sh <assets dir>
set -euo pipefail

assets="${1:?usage: gen_fonts.sh <assets dir>}"
out="$assets/fonts"
mkdir -p "$out"

# narrow_font <file> <factor>: scales every glyph outline and advance of a CFF font
# horizontally, in place (python3-fonttools).
narrow_font() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

path, k = sys.argv[1], float(sys.argv[2])
font = TTFont(path)
glyphs = font.getGlyphSet()
strings = font["CFF "].cff.topDictIndex[0].CharStrings
metrics = font["hmtx"].metrics
narrowed = {}
for name in font.getGlyphOrder():
    width, lsb = metrics[name]
    pen = T2CharStringPen(round(width * k), None)
    glyphs[name].draw(TransformPen(pen, (k, 0, 0, 1, 0, 0)))
    old = strings[name]
    narrowed[name] = pen.getCharString(private=old.private, globalSubrs=old.globalSubrs)
    metrics[name] = (round(width * k), round(lsb * k))
for name, charstring in narrowed.items():
    strings.charStringsIndex[strings.charStrings[name]] = charstring
font["hhea"].advanceWidthMax = max(width for width, _ in metrics.values())
font.save(path)
PY
}

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
narrow_font "$out/ALIENS.ttf" 0.86
copy_font /usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf unispace.ttf \
  /usr/share/doc/fonts-dejavu-core/copyright fonts-dejavu-core

echo "gen_fonts: ALIENS.ttf, unispace.ttf"
