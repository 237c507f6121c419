#!/usr/bin/env bash
# Screenshots of Find Silences (the silences shaded on the wave view) and of Measure Loudness in
# English, German and Russian, under openbox on a virtual X server:
#   tools/everydaytools-screenshots.sh [OUTDIR]   (default docs/screenshots)
# Needs the editor built (build/src/shell/quillon), sox, xvfb-run, openbox, xdotool and ffmpeg.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m -- "${1:-docs/screenshots}")"
editor="$PWD/build/src/shell/quillon"
[ -x "$editor" ] || { echo "build the editor first (./run.sh)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Sounds and silences of known lengths: 1.2 s, 0.8 s, 2 s and 1.2 s of silence are found with
# the dialog's first values; 0.3 s is shorter than its minimum.
parts=()
piece() {
  parts+=("$work/p${#parts[@]}.wav")
  sox -n -r 44100 -c 2 -b 16 "${parts[-1]}" synth "$@"
}
piece 1.2 sine 0 vol 0
piece 3 pinknoise vol 0.3
piece 0.8 sine 0 vol 0
piece 2.5 sine 300-900 vol 0.5
piece 2 sine 0 vol 0
piece 4 pinknoise vol 0.2 tremolo 3 90
piece 0.3 sine 0 vol 0
piece 2.5 sine 300-900 vol 0.5
piece 1.2 sine 0 vol 0
sox "${parts[@]}" "$work/episode.wav"

# language name, identifier, x of the Analyze menu in the menu bar of a window placed at 20,20
shoot() {
  local name="$1" id="$2" menu_x="$3" item="$4" tag="$5"
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
      xdotool mousemove "$3" 28 click 1
      sleep 0.6
      xdotool key $4 Return
      sleep 3
      ffmpeg -loglevel error -y -f x11grab -video_size 1280x800 -i "$DISPLAY" \
        -vf crop=1024:648:18:0 -frames:v 1 "$5"
      kill "$pid"
    ' shot "$editor" "$work/episode.wav" "$menu_x" "$item" "$out/$tag-$name.png"
  echo "$out/$tag-$name.png"
}
for row in "en 1033 249" "de 1031 327" "ru 1049 277"; do
  set -- $row
  shoot "$1" "$2" "$3" "Down" find-silences
  shoot "$1" "$2" "$3" "Down Down" measure-loudness
done
