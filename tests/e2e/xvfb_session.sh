#!/usr/bin/env bash
# Runs a command under an Xvfb of its own. The X server picks a free display itself
# (-displayfd), so tests started side by side never share one, as `xvfb-run -a` can when
# two pick the same number at the same moment.
#   xvfb_session.sh WIDTHxHEIGHTxDEPTH command [arguments...]
set -uo pipefail
screen=$1
shift
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
server=$!
read -r -t 30 display <"$fifo"
rm -f "$fifo"
if [ -z "${display:-}" ]; then
  echo "Xvfb did not start" >&2
  kill "$server" 2>/dev/null
  exit 1
fi
export DISPLAY=":$display"
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
