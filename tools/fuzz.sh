#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) into build-fuzz/ and runs each of them for the given
# number of seconds (default 60), seeded with the shipped files and the regression
# inputs of tests/fuzz/regressions. Prints the executions per target; fails when a
# target crashes, times out, leaks or runs out of memory (the input is kept in
# build-fuzz/findings/). Not part of CI, where the regression inputs run as tests.
# Usage: bash tools/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

have_libfuzzer() {
  command -v clang++ > /dev/null &&
    compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" > /dev/null
}
if ! have_libfuzzer; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing clang (with libFuzzer)"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends clang
  version=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p')
  have_libfuzzer || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    "libclang-rt-$version-dev"
fi
bash tools/deps.sh

targets=(settings level shader_include png_check mtl_check)
# Shipped files each target starts from: a directory and a name pattern.
declare -A seeds=(
  [settings]="assets settings.ini"
  [level]="assets/levels *.ini"
  [shader_include]="assets/shaders *"
  [png_check]="assets/textures *.png"
  [mtl_check]="assets/models *.mtl"
)

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DKESTRUN_FUZZ=ON > /dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

declare -A runs
failed=0
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  seed_dir=build-fuzz/seeds/$t
  findings=build-fuzz/findings/$t
  mkdir -p "$corpus" "$seed_dir" "$findings"
  # libFuzzer reads seed directories, not single files.
  rm -rf "${seed_dir:?}"/*
  read -r seed_root seed_pattern <<< "${seeds[$t]}"
  if [ -d "$seed_root" ]; then
    find "$seed_root" -type f -name "$seed_pattern" -exec cp -t "$seed_dir" {} + 2> /dev/null || true
  fi
  log=build-fuzz/fuzz_$t.log
  echo "== fuzz_$t for $seconds s"
  status=0
  ./build-fuzz/tests/fuzz/fuzz_$t -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "$seed_dir" tests/fuzz/regressions/$t > "$log" 2>&1 || status=$?
  runs[$t]=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "FAIL: fuzz_$t ended with status $status; see $log and $findings/"
    grep -m 5 -E "ERROR|SUMMARY|Test unit written" "$log" || true
  fi
done

echo
printf '%-16s %14s\n' target executions
for t in "${targets[@]}"; do
  printf '%-16s %14s\n' "fuzz_$t" "${runs[$t]:-?}"
done
exit $failed
