#!/usr/bin/env bash
# Starts the built program. Without a display it runs under Xvfb for a few seconds
# and saves a screenshot of the main window to build/screenshot.png; under
# QT_SCALE_FACTOR=N (a whole number) on a screen N times as large, as docs/screenshot@2x.png was.
set -euo pipefail
build=${1:-build}
exe="$build/horavane"
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$exe"
fi
shot="$build/screenshot.png"
scale=${QT_SCALE_FACTOR:-1}
xvfb-run -a -s "-screen 0 $((1280 * scale))x$((1024 * scale))x24" bash -c '
  "$1" & pid=$!
  for _ in $(seq 50); do
    id=$(xdotool search --name "^Horavane 2.0$" 2>/dev/null | head -n1) && [[ -n "$id" ]] && break
    sleep 0.2
  done
  sleep 1.5
  import -window "$id" "PNG24:$2"
  kill "$pid"; wait "$pid" || true
' _ "$exe" "$shot"
echo "No display here: the program ran under Xvfb; screenshot of the main window: $shot"
