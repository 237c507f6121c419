#!/usr/bin/env bash
# Starts the editor on AUDIO under a virtual X server and saves the screen as a PNG:
#   tools/screenshot.sh [OPTIONS] AUDIO OUT.png [WxH]
# AUDIO "-" starts the editor without a file. Options, carried out in the order given once the
# editor has had time to open the file (keys and mouse go through the X test extension, as a
# person's would):
#   --key "KEYS"          xdotool key names, e.g. --key "ctrl+a" or --key "alt+f Down Down"
#   --type "TEXT"         types TEXT
#   --click X,Y[,BUTTON]  clicks at screen position X,Y (button 1 unless given)
#   --drag X1,Y1,X2,Y2    drags with the left button from X1,Y1 to X2,Y2
#   --move X,Y            moves the mouse pointer
#   --sleep SECONDS       waits
# and, for the whole run:
#   --wait SECONDS        time to start and decode before the first step (default 3)
#   --crop WxH+X+Y        keeps only that part of the screen
#   --colors N            stores the PNG with a palette of N colours (smaller files)
set -euo pipefail
usage() {
  echo "usage: tools/screenshot.sh [--key KEYS|--type TEXT|--click X,Y[,B]|--drag X1,Y1,X2,Y2|" >&2
  echo "         --move X,Y|--sleep S|--wait S|--crop WxH+X+Y|--colors N]... AUDIO OUT.png [WxH]" >&2
  exit 2
}
steps=()
positional=()
wait_seconds=3
crop=""
colors=""
while [ $# -gt 0 ]; do
  case "$1" in
    --key | --type | --click | --drag | --move | --sleep)
      [ $# -ge 2 ] || usage
      steps+=("${1#--}" "$2")
      shift 2
      ;;
    --wait) [ $# -ge 2 ] || usage; wait_seconds="$2"; shift 2 ;;
    --crop) [ $# -ge 2 ] || usage; crop="$2"; shift 2 ;;
    --colors) [ $# -ge 2 ] || usage; colors="$2"; shift 2 ;;
    --) shift; positional+=("$@"); break ;;
    --*) usage ;;
    *) positional+=("$1"); shift ;;
  esac
done
[ ${#positional[@]} -ge 2 ] || usage
audio="${positional[0]}"
[ "$audio" = "-" ] || audio="$(realpath -m -- "$audio")"
out="$(realpath -m -- "${positional[1]}")"
size="${positional[2]:-1280x800}"
cd "$(dirname "$0")/.."

missing=()
command -v xvfb-run >/dev/null || missing+=(xvfb xauth)
command -v import >/dev/null || missing+=(imagemagick)
[ ${#steps[@]} -eq 0 ] || command -v xdotool >/dev/null || missing+=(xdotool)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

editor=build/src/shell/quillon
[ -x "$editor" ] || { echo "build the editor first (./run.sh)" >&2; exit 1; }

# One shell inside the server: start the editor, give it time to decode and draw, carry out the
# steps, then capture.
# No sound server under the virtual display: a silent device keeps the no-device message away.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
  editor="$1" audio="$2" out="$3" wait_seconds="$4"
  shift 4
  if [ "$audio" = "-" ]; then "$editor" & else "$editor" "$audio" & fi
  pid=$!
  sleep "$wait_seconds"
  # Without a window manager nothing gives the editor the keyboard; a click would move the cursor.
  window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -z "$window" ] || xdotool windowfocus "$window" 2>/dev/null || true
  while [ $# -ge 2 ]; do
    verb="$1" arg="$2"
    shift 2
    IFS=, read -r a b c d <<<"$arg"
    case "$verb" in
      key) xdotool key --delay 150 $arg ;;
      type) xdotool type --delay 60 "$arg" ;;
      click) xdotool mousemove "$a" "$b" click "${c:-1}" ;;
      move) xdotool mousemove "$a" "$b" ;;
      drag)
        xdotool mousemove "$a" "$b" mousedown 1
        for i in 1 2 3 4 5 6 7 8; do
          xdotool mousemove $((a + (c - a) * i / 8)) $((b + (d - b) * i / 8))
          sleep 0.05
        done
        xdotool mouseup 1
        ;;
      sleep) sleep "$arg" ;;
    esac
    sleep 0.5
  done
  import -window root "$out"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' screenshot "$editor" "$audio" "$out" "$wait_seconds" ${steps[@]+"${steps[@]}"}
if [ -n "$crop" ]; then
  convert "$out" -crop "$crop" +repage "$out"
fi
if [ -n "$colors" ]; then
  convert "$out" -dither None -colors "$colors" "PNG8:$out"
fi
echo "$out"
