# Started where no asset directory can be found, the game says so and ends with
# status 255 at once, without waiting for a key (standard input is closed).
source "$(dirname "$0")/lib.sh"
bin=$(realpath "$1")
out="$3/$(basename "$0" .sh)"
mkdir -p "$out"
work=$(mktemp -d /tmp/kestrun-noassets-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/a/b"
status=0
(cd "$work/a/b" && timeout 5 "$bin" < /dev/null > "$out/game.log" 2>&1) || status=$?
E2E_LOG="$out/game.log"
[ "$status" = "255" ] || e2e_fail "exit status $status, expected 255"
grep -qxF "ERROR: Cannot locate assets directory!" "$out/game.log" || e2e_fail "missing error line"
echo "PASS"
