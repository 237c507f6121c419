#!/usr/bin/env bash
# Screenshots of Amplify previewing a selection (Preview pressed with Space, the cursor and the
# meter moving) in English, German and Russian, under openbox on a virtual X server:
#   tools/preview-screenshots.sh [OUTDIR]   (default docs/screenshots)
# Needs the editor built (build/src/shell/quillon), sox, xvfb-run, openbox, xdotool and ffmpeg.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m -- "${1:-docs/screenshots}")"
editor="$PWD/build/src/shell/quillon"
[ -x "$editor" ] || { echo "build the editor first (./run.sh)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
sox -n -r 44100 -c 2 -b 16 "$work/sweep.wav" synth 6 sine 300-900 vol 0.4 tremolo 2 60

# language name, identifier, x of the Operations menu in the menu bar of a window placed at
# 20,20, x of its Amplify (Increase) entry
shoot() {
  local name="$1" id="$2" menu_x="$3" item_x="$4"
  local home="$work/home-$id"
  mkdir -p "$home/.config/Morvane"
  printf '[Settings]\nlang=%s\nupdates=false\nposx=20\nposy=20\nwidth=1000\nheight=620\n' "$id" \
    >"$home/.config/Morvane/Quillon.ini"
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
      openbox >/dev/null 2>&1 &
      sleep 1
      "$1" "$2" >/dev/null 2>&1 &
      pid=$!
      sleep 4
      xdotool mousemove 250 250 mousedown 1 mousemove 700 250 sleep 0.3 mouseup 1
      sleep 0.6
      xdotool mousemove "$3" 28 click 1
      sleep 0.6
      xdotool mousemove "$4" 315 click 1
      sleep 1
      xdotool key space
      sleep 1.5
      ffmpeg -loglevel error -y -f x11grab -video_size 1280x800 -i "$DISPLAY" \
        -vf crop=1024:648:18:0 -frames:v 1 "$5"
      kill "$pid"
    ' shot "$editor" "$work/sweep.wav" "$menu_x" "$item_x" "$out/effect-preview-$name.png"
  echo "$out/effect-preview-$name.png"
}
for row in "en 1033 178 224" "de 1031 252 290" "ru 1049 208 250"; do
  set -- $row
  shoot "$@"
done
