#!/usr/bin/env bash
# Regenerates the pictures of the user manual (docs/help/images/*.png): makes a 20-second test
# recording with sox, then captures the editor in each state with tools/screenshot.sh.
#   tools/manual-screenshots.sh [OUTPUT_FOLDER]      (default docs/help/images)
# Build the editor first (/work/wt/build.sh quillon or ./run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m -- "${1:-docs/help/images}")"
mkdir -p "$out"
command -v sox >/dev/null || { echo "sox is needed: apt-get install sox" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
size=1000x650

# Tone bursts of different loudness with pauses between them, then a stretch of noise: a
# waveform that reads well at a glance.
parts=()
for i in 1 2 3 4 5 6 7 8; do
  f=$((150 + i * 37))
  length="1.$((2 + 3 * (i % 3)))"
  sox -n -r 44100 -b 16 -c 2 "$work/tone$i.wav" synth "$length" sine $f sine $((f * 3 / 2)) \
    tremolo 5 60 fade q 0.15 "$length" 0.4 vol "0.$((3 + i % 6))"
  sox -n -r 44100 -b 16 -c 2 "$work/pause$i.wav" trim 0 "0.$((3 + i % 4))"
  parts+=("$work/tone$i.wav" "$work/pause$i.wav")
done
sox -n -r 44100 -b 16 -c 2 "$work/noise.wav" synth 4 pinknoise tremolo 3 90 fade q 0.3 4 1 vol 0.5
audio="$work/demo.wav"
sox "${parts[@]}" "$work/noise.wav" "$audio"

# Every shot starts from the same settings: the window fills the virtual screen, milliseconds,
# English, no update check, and nothing of the user's own settings or language files.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
fresh_settings() {
  rm -rf "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
  mkdir -p "$XDG_CONFIG_HOME/Morvane" "$XDG_DATA_HOME"
  printf '[Settings]\nposx=0\nposy=0\nwidth=1000\nheight=650\nupdates=0\nselectiontype=0\nvolume=-9000\nlang=1033\n' \
    >"$XDG_CONFIG_HOME/Morvane/Quillon.ini"
  if [ -n "${WITH_LANGUAGES:-}" ]; then
    mkdir -p "$XDG_DATA_HOME/Morvane/Quillon/lang"
    cp lang/*.lng "$XDG_DATA_HOME/Morvane/Quillon/lang/"
  fi
}

shot() {  # NAME [screenshot options...]; AUDIO defaults to the test recording
  local name="$1"
  shift
  fresh_settings
  tools/screenshot.sh --colors 128 "$@" "$audio" "$out/$name.png" "$size" 2>/dev/null
}

select_middle=(--drag 300,250,520,250)

shot window "${select_middle[@]}"
shot menu-file --key alt+f --crop 270x205+0+0
shot menu-edit "${select_middle[@]}" --key alt+e --crop 370x205+0+0
shot menu-view --key "alt+v Down Down Down Right" --crop 360x135+0+0
shot menu-operations "${select_middle[@]}" --key alt+o --crop 340x265+0+0
shot menu-tools --key alt+t --crop 420x200+0+0
shot menu-help --key alt+h --crop 450x90+0+0
shot context-menu "${select_middle[@]}" --click 400,250,3 --crop 430x200+250+180
shot zoomed --click 450,250 --click 450,250,4 --click 450,250,4 --click 450,250,4 \
  --click 450,250,4 --key "alt+v Down Down Down Right Down Return" --drag 300,250,480,250
shot playing --drag 100,250,800,250 --key space --sleep 1.5
WITH_LANGUAGES=1 shot settings-language --key "alt+f e" --click 466,237 --crop 349x217+316+177
shot settings-system --key "alt+f e" --click 445,200 --crop 349x217+316+177
shot settings-colors --key "alt+f e" --click 510,200 --crop 349x217+316+177
shot properties --key "alt+f f" --crop 792x459+94+56
shot about --key "alt+h a" --crop 496x251+242+160
# The message shown when no sound device can be opened, before the window appears.
SDL_AUDIODRIVER=none-such shot no-sound-device --crop 286x86+347+242
ls -l "$out"
