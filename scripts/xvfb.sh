# Sourced: start_xvfb starts a virtual X display for Windows programs under Wine and exports
# DISPLAY; stop_xvfb stops it.
start_xvfb() {
  local number_file
  number_file="$(mktemp)"
  # Xvfb picks a free display number itself and writes it to the given descriptor once it is
  # ready, so two scripts starting at once never share a display.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  local tries=0
  until [ -s "$number_file" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
      echo "Xvfb did not start" >&2
      rm -f "$number_file"
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
  rm -f "$number_file"
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
