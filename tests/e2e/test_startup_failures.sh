# Start-up failures end the program at once with the right status, without waiting
# for a key (standard input is closed).
source "$(dirname "$0")/lib.sh"
bin=$(realpath "$1")
src=$(realpath "$2")
out="$3/$(basename "$0" .sh)"
mkdir -p "$out"
work=$(mktemp -d /tmp/kestrun-failures-XXXXXX)
trap 'rm -rf "$work"' EXIT

# No asset directory anywhere up to two levels above: fatal, status 255.
mkdir -p "$work/a/b"
status=0
(cd "$work/a/b" && timeout 5 "$bin" < /dev/null > "$out/no-assets.log" 2>&1) || status=$?
E2E_LOG="$out/no-assets.log"
[ "$status" = "255" ] || e2e_fail "no assets: exit status $status, expected 255"
grep -qxF "ERROR: Cannot locate assets directory!" "$E2E_LOG" || e2e_fail "no assets: missing error line"

# No display to open a window on: GLFW cannot start, main returns 1.
ln -s "$src/assets" "$work/assets"
status=0
(cd "$work" && DISPLAY=":4999" timeout 10 "$bin" < /dev/null > "$out/no-display.log" 2>&1) || status=$?
E2E_LOG="$out/no-display.log"
[ "$status" = "1" ] || e2e_fail "no display: exit status $status, expected 1"
grep -qxF "ERROR: Failed to init GLFW" "$E2E_LOG" || e2e_fail "no display: missing error line"
echo "PASS"
