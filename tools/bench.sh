#!/bin/bash
# Frame-time benchmark under a private Xvfb (run by hand, not part of the CI run).
# For levels 1, 2 and 3 at 1280x768, without multisampling and with 4 samples, the
# game starts each of four scenes with KESTRUN_BENCH set (see game/app/Benchmark.h):
# the paused start of the level, flight (the lander climbing under thrust, crawlers
# driving), the camera halfway through its swing after a crash, and the crash view
# (the overhead view over the wreck). It reports the frame rate, the milliseconds of
# each render pass and the time of the update step.
#
# The X server is the window's size, as a player's full desktop would be: the camera
# is the player's, the one a level entered through the menu shows. A run whose camera
# is not its scene's (the game checks and says "BENCH ERROR") fails the benchmark.
#
# The per-pass figures come from frames in which the game calls glFinish before and
# after every pass (only in benchmark mode), so each pass is measured when its drawing
# is really done; those frames are slower than ordinary ones, which give the FPS.
# "start" beside a row is its frame rate against the paused start of its level and
# samples in the same binary.
#
# With --baseline the second binary runs side by side: the runs interleave (this one,
# then the baseline, row by row, --runs times), and the table shows the median FPS of
# each and their ratio, because absolute figures on a shared machine are noise; "pairs"
# gives the lowest and highest ratio of a run and the baseline run beside it.
#
# Usage: tools/bench.sh [--baseline PATH] [--runs N] [--frames N] [--levels "1 2 3"]
#                       [--samples "0 4"] [--scenes "start flight swing crash"]
#                       [--size 1280x768] [--shots DIR] [--out DIR] [BINARY]
# A binary runs with the assets of its own checkout (BINARY/../../assets), so a
# baseline built in another worktree keeps its own shaders. --shots writes the settled
# frame of every row as DIR/<this|base>_<row>.ppm and, with a baseline, prints the
# mean absolute and the largest difference of the two pictures, and how many pixels
# differ at all.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$here/build/kestrun
baseline=""
runs=3
frames=90
levels="1 2 3"
samples_list="0 4"
scenes="start flight swing crash"
size=1280x768
shots=""
out=""
while [ $# -gt 0 ]; do
  case $1 in
    --baseline) baseline=$(realpath "$2"); shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --frames) frames=$2; shift 2 ;;
    --levels) levels=$2; shift 2 ;;
    --samples) samples_list=$2; shift 2 ;;
    --scenes) scenes=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --shots) shots=$(realpath -m "$2"); mkdir -p "$shots"; shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    -h|--help) sed -n '2,32p' "$0"; exit 0 ;;
    *) bin=$(realpath "$1"); shift ;;
  esac
done
width=${size%x*} height=${size#*x}

source "$here/tests/e2e/lib.sh"
work=$(mktemp -d /tmp/kestrun-bench-XXXXXX)
out=${out:-$work/results}
mkdir -p "$out"
trap 'e2e_cleanup; rm -rf "$work"' EXIT
E2E_SCREEN="${width}x${height}x24" e2e_start_x

# A scratch game dir per binary: its checkout's assets, settings.ini a copy to rewrite.
prepare() { # <tag> <binary>
  local dir=$work/$1/game src
  src=$(cd "$(dirname "$2")/.." && pwd)
  [ -f "$src/assets/settings.ini" ] || { echo "no assets beside $2" >&2; exit 1; }
  mkdir -p "$dir/assets"
  for entry in "$src"/assets/*; do
    [ "$(basename "$entry")" = settings.ini ] || ln -s "$entry" "$dir/assets/"
  done
  cp "$src/assets/settings.ini" "$dir/settings.template"
}

# A row is one level, sample count and scene: "l<level>_s<samples>_<scene>".
run_one() { # <tag> <binary> <level> <samples> <scene> <run>
  local dir=$work/$1/game row=l$3_s$4_$5 log shot=""
  log=$out/$1_${row}_r$6.log
  sed -e "s/^initialLevel *=.*/initialLevel = $3/" -e "s/^antialiasing *=.*/antialiasing = $4/" \
      -e "s/^width *=.*/width = $width/" -e "s/^height *=.*/height = $height/" \
      -e "s/^fullscreen *=.*/fullscreen = false/" -e "s/^disable_vsync *=.*//" \
      -e "s/^\[window\]/[window]\ndisable_vsync = true/" \
      -e "s/^enabled *=.*/enabled = false/" "$dir/settings.template" > "$dir/assets/settings.ini"
  [ -n "$shots" ] && [ "$6" = 1 ] && shot=$shots/$1_$row.ppm
  (cd "$dir" && KESTRUN_BENCH=$frames KESTRUN_BENCH_SCENE=$5 KESTRUN_BENCH_SHOT=$shot ALSOFT_DRIVERS=null \
     timeout 300 "$2" > "$log" 2>&1 < /dev/null) || true
  grep -q "^BENCH fps " "$log" && ! grep -q "^BENCH ERROR" "$log" ||
    { echo "run failed: $log" >&2; tail -n 20 "$log" >&2; exit 1; }
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > 0) ? a / b : 0 }'; }
# figure <fps|cpu|main> <tag> <row> [run]: the median of that figure over the runs, or
# its value in one run.
figure() { cat "$out/$2_$3"_r${4:-*}.log | awk -v key="$1" '$1 == "BENCH" && $2 == key { print $3 }' | median; }
# Names of the passes a row reported, in the game's order (this binary's first).
pass_names() { cat "$out"/{this,base}_$1_r1.log 2>/dev/null | awk '/^BENCH pass / { $1 = $2 = ""; n = substr($0, 3); sub(/ [^ ]*$/, "", n); if (!(n in seen)) { seen[n]; print n } }' || true; }
pass_ms() { # <tag> <row> <name>: median ms, or "-" when that binary has no such pass
  local v
  v=$(cat "$out/$1_$2"_r*.log 2>/dev/null | grep -F "BENCH pass $3 " | awk '{ print $NF }' | median || true)
  [ -n "$(cat "$out/$1_$2"_r*.log 2>/dev/null | grep -F "BENCH pass $3 ")" ] || v=""
  echo "${v:--}"
}
# pair_span <row>: the lowest and the highest fps ratio of a run and the baseline run
# right after it; the machine's load changes slowly, so a pair shares it.
pair_span() {
  for r in $(seq "$runs"); do ratio "$(figure fps this "$1" "$r")" "$(figure fps base "$1" "$r")"; done | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.2f-%.2f", lo, hi }'
}
update_of() { cat "$out/$1_$2"_r*.log | awk '/^BENCH update / { print $4, $6 }' |
  sort -g | awk '{ m[NR] = $1; x = ($2 > x) ? $2 : x } END { printf "%.3f ms mean (median of runs), %.3f ms max", m[int((NR + 1) / 2)], x }'; }
# The fps of a row against the paused start of its level and samples, or "-".
against_start() { # <tag> <level> <samples> <fps>
  [ -f "$out/$1_l$2_s$3_start_r1.log" ] || { echo "-"; return; }
  printf '%.2fx' "$(ratio "$4" "$(figure fps "$1" "l$2_s$3_start")")"
}

rows=""
for l in $levels; do for s in $samples_list; do for sc in $scenes; do rows="$rows $l:$s:$sc"; done; done; done

prepare this "$bin"
[ -n "$baseline" ] && prepare base "$baseline"
for r in $(seq "$runs"); do
  for row in $rows; do
    IFS=: read -r l s sc <<< "$row"
    run_one this "$bin" "$l" "$s" "$sc" "$r"
    [ -n "$baseline" ] && run_one base "$baseline" "$l" "$s" "$sc" "$r"
    echo "run $r, level $l, samples $s, $sc done" >&2
  done
done

echo "cores: $(nproc); load: $(uptime | sed 's/.*load average: //'); ${width}x$height; $runs run(s) of $frames frames per row"
echo "fps: frames per second; cpu: processor milliseconds per frame on all threads (the work of a frame);"
echo "main: of that, on the main thread; start: fps against the paused start of the same level and samples"
[ -n "$baseline" ] && echo "pairs: the lowest and highest fps ratio of one run and the baseline run beside it"
if [ -n "$baseline" ]; then
  printf '%-6s %-8s %-7s %8s %9s %7s %10s %8s %9s %7s %7s %7s %10s\n' level samples scene fps base_fps ratio pairs cpu base_cpu ratio main start base_start
else
  printf '%-6s %-8s %-7s %8s %8s %7s %7s\n' level samples scene fps cpu main start
fi
for row in $rows; do
  IFS=: read -r l s sc <<< "$row"
  id=l${l}_s${s}_$sc
  f=$(figure fps this "$id")
  c=$(figure cpu this "$id")
  m=$(figure main this "$id")
  if [ -n "$baseline" ]; then
    b=$(figure fps base "$id")
    bc=$(figure cpu base "$id")
    printf '%-6s %-8s %-7s %8.1f %9.1f %6.2fx %10s %8.1f %9.1f %6.2fx %7.2f %7s %10s\n' "$l" "$s" "$sc" "$f" "$b" \
      "$(ratio "$f" "$b")" "$(pair_span "$id")" "$c" "$bc" "$(ratio "$bc" "$c")" "$m" \
      "$(against_start this "$l" "$s" "$f")" "$(against_start base "$l" "$s" "$b")"
  else
    printf '%-6s %-8s %-7s %8.1f %8.1f %7.2f %7s\n' "$l" "$s" "$sc" "$f" "$c" "$m" "$(against_start this "$l" "$s" "$f")"
  fi
done

echo
echo "ms per pass (glFinish around each pass; median of runs):"
for row in $rows; do
  IFS=: read -r l s sc <<< "$row"
  id=l${l}_s${s}_$sc
  echo "level $l, samples $s, $sc"
  pass_names "$id" | while read -r name; do
    if [ -n "$baseline" ]; then
      printf '  %-26s %8s %8s\n' "$name" "$(pass_ms this "$id" "$name")" "$(pass_ms base "$id" "$name")"
    else
      printf '  %-26s %8s\n' "$name" "$(pass_ms this "$id" "$name")"
    fi
  done
done
echo
echo "update step (the level running):"
for row in $rows; do
  IFS=: read -r l s sc <<< "$row"
  echo "  level $l, samples $s, $sc: $(update_of this "l${l}_s${s}_$sc")"
done
if [ -n "$shots" ] && [ -n "$baseline" ]; then
  echo
  echo "settled frame, this against the baseline (channel values 0..255; pixels: how many differ at all):"
  printf '  %-6s %-8s %-7s %14s %10s %10s\n' level samples scene mean_abs_diff max_diff pixels
  for row in $rows; do
    IFS=: read -r l s sc <<< "$row"
    a=$shots/this_l${l}_s${s}_$sc.ppm b=$shots/base_l${l}_s${s}_$sc.ppm
    # compare exits with 1 when the pictures differ.
    mae=$(compare -metric MAE "$a" "$b" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
    pae=$(compare -metric PAE "$a" "$b" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
    ae=$(compare -metric AE "$a" "$b" null: 2>&1 || true)
    printf '  %-6s %-8s %-7s %14.3f %10.0f %10s\n' "$l" "$s" "$sc" "$(awk -v v="$mae" 'BEGIN { print v * 255 }')" \
      "$(awk -v v="$pae" 'BEGIN { print v * 255 }')" "$ae"
  done
fi
echo "logs: $out"
