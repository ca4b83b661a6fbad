# Sourced: start_private_xvfb starts an X server of our own on a free display,
# exports DISPLAY and stops the server when the calling script exits.
start_private_xvfb() {
  local fifo pid
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -displayfd: the server picks a free display and reports its number.
  Xvfb -displayfd 3 -screen 0 "${ORLENZA_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  pid=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  ORLENZA_XVFB_PID=$pid
  trap 'kill "$ORLENZA_XVFB_PID" 2>/dev/null || true' EXIT
}

# True when $DISPLAY names a server that answers.
display_answers() {
  [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1
}
