#!/usr/bin/env bash
# Set-up, build and start ZOR-Browser, optionally on an address:
#   scripts/run.sh [address]
# Without a display the browser runs under Xvfb; once the page has loaded a
# screenshot of the window is saved to build/screenshot.png and the browser ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build
program=build/ZOR-Browser/zor-browser

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" "$@"
fi

shot="$PWD/build/screenshot.png"
rm -f "$shot"
echo "No display: starting ZOR-Browser under Xvfb."
# Under Xvfb as root the engine's sandbox cannot start; a desktop session keeps it on.
export WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1
xvfb-run -a -s "-screen 0 1366x768x24" bash -c '
  program=$1; shot=$2; shift 2
  openbox >/dev/null 2>&1 &
  dbus-run-session -- "$program" "$@" &
  pid=$!
  # The window title becomes "<page title> - <program title>" once a page has loaded.
  for _ in $(seq 1 150); do
    if win=$(xdotool search --onlyvisible --classname zor-browser 2>/dev/null | head -n 1) && [ -n "$win" ]; then
      title=$(xdotool getwindowname "$win" 2>/dev/null || true)
      if [ $# -eq 0 ] || [ "${title% - ZOR-BROWSER*}" != "$title" ]; then break; fi
    fi
    sleep 0.2
  done
  sleep 1.5
  import -window root "$shot"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' _ "$program" "$shot" "$@"
if [ -f "$shot" ]; then
  echo "Screenshot of the browser window: $shot"
else
  echo "No screenshot was taken." >&2
  exit 1
fi
