#!/usr/bin/env bash
# Starts the editor on AUDIO under a virtual X server and saves the screen as a PNG:
#   tools/screenshot.sh AUDIO OUT.png [WxH]
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: tools/screenshot.sh AUDIO OUT.png [WxH]" >&2
  exit 2
fi
audio="$(realpath -m -- "$1")"
out="$(realpath -m -- "$2")"
size="${3:-1280x800}"
cd "$(dirname "$0")/.."

missing=()
command -v xvfb-run >/dev/null || missing+=(xvfb xauth)
command -v import >/dev/null || missing+=(imagemagick)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

editor=build/src/shell/quillon
[ -x "$editor" ] || { echo "build the editor first (./run.sh)" >&2; exit 1; }

# One shell inside the server: start the editor, give it time to decode and draw, then capture.
# No sound server under the virtual display: a silent device keeps the no-device message away.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
  "$1" "$2" &
  pid=$!
  sleep 3
  import -window root "$3"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' screenshot "$editor" "$audio" "$out"
echo "$out"
