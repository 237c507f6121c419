#!/bin/bash
# Usage: xvfb_run.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGUMENT...]
# Runs the command under an X server of its own and exits with its status. The server picks a
# free display itself (-displayfd), so tests started together never share one, and it has ended
# before this script returns, so the next one never meets its socket while it goes away. Without
# -noreset the server resets whenever its last client leaves, and a client that connects in that
# moment (a window manager started after a probe) fails to open the display.
set -u
screen=$1
shift
dir=$(mktemp -d)
: >"$dir/display"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT
# The number arrives, with its newline, once the server accepts clients.
for _ in $(seq 300); do
  [ "$(wc -l <"$dir/display")" -ge 1 ] && break
  kill -0 "$server" 2>/dev/null || { echo "Xvfb did not start:"; cat "$dir/log"; exit 1; }
  sleep 0.1
done
[ "$(wc -l <"$dir/display")" -ge 1 ] || { echo "Xvfb gave no display"; exit 1; }
DISPLAY=:$(head -n1 "$dir/display") "$@"
