# Private X servers for the tools and tests that need one. Sourced; defines:
#
#   xvfb_start [screen]   starts an Xvfb (screen "WxHxD", 1280x1024x24 by default) on a
#                         display it picks itself (-displayfd, so parallel starts never
#                         race for a number), waits until it answers, exports DISPLAY
#                         and sets XVFB_PID; on failure prints the server's last words
#                         and returns 1.
#   xvfb_ensure           the same when no DISPLAY is set, stopped when the sourcing
#                         script exits; with a DISPLAY it does nothing.
#
# The server runs with -noreset. By default an X server resets whenever its last client
# leaves; with several servers starting and stopping side by side (the parallel tests)
# a server now and then comes out of that reset refusing, or never answering, the next
# client. The readiness probe below is the first client, so the game would be the
# client after a reset, and a test that starts the game twice would meet another.
xvfb_start() {
  local fdfile errfile n
  fdfile=$(mktemp /tmp/kestrun-xvfb-XXXXXX)
  errfile="$fdfile.err"
  Xvfb -displayfd 3 -screen 0 "${1:-1280x1024x24}" -nolisten tcp -noreset 3> "$fdfile" > "$errfile" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    n=$(tr -dc '0-9' < "$fdfile")
    if [ -n "$n" ] && DISPLAY=":$n" xdpyinfo > /dev/null 2>&1; then
      rm -f "$fdfile" "$errfile"
      export DISPLAY=":$n"
      return 0
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "could not start Xvfb: $(grep -v "server already running\|SocketCreateListener() failed" "$errfile" | tail -n 3)" >&2
  kill "$XVFB_PID" 2>/dev/null || true
  rm -f "$fdfile" "$errfile"
  return 1
}

xvfb_ensure() {
  [ -z "${DISPLAY:-}" ] || return 0
  xvfb_start || exit 1
  trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
}
