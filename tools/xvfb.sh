# Sourced by the tools that need an X server: when no DISPLAY is set, starts a private
# Xvfb on a display it picks itself, exports DISPLAY, and stops the server when the
# sourcing script exits.
if [ -z "${DISPLAY:-}" ]; then
  fdfile=$(mktemp /tmp/kestrun-xvfb-XXXXXX)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$fdfile" > /dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true; rm -f "$fdfile"' EXIT
  for _ in $(seq 100); do
    n=$(tr -dc '0-9' < "$fdfile")
    if [ -n "$n" ] && DISPLAY=":$n" xdpyinfo > /dev/null 2>&1; then
      export DISPLAY=":$n"
      break
    fi
    sleep 0.1
  done
  [ -n "${DISPLAY:-}" ] || { echo "could not start Xvfb" >&2; exit 1; }
fi
