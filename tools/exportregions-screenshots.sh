#!/bin/bash
# Usage: tools/exportregions-screenshots.sh EDITOR AUDIO (run in the folder for the pictures):
# the Export Regions dialog in English, German and Russian under
# openbox on Xvfb, as export-LANG.png here.
editor=$1 audio=$2
for l in en:none:t de:1031:x ru:1049:Cyrillic_be; do
  IFS=: read name id key <<<"$l"
  cfg=$PWD/cfg-$name
  mkdir -p "$cfg/Morvane"
  if [ "$id" = none ]; then rm -f "$cfg/Morvane/Quillon.ini"; else printf '[Settings]\nlang=%s\n' "$id" >"$cfg/Morvane/Quillon.ini"; fi
  XDG_CONFIG_HOME=$cfg SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb timeout 90 xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    openbox --sm-disable >/dev/null 2>&1 &
    sleep 1
    "$1" "$2" & pid=$!
    sleep 6
    w=$(xdotool search --onlyvisible --pid $pid | head -1); xdotool windowactivate $w 2>/dev/null; sleep 0.5
    xdotool mousemove 244 130 click 1; sleep 1; xdotool key "$3"; sleep 2
    import -window root "$4"
    kill $pid; wait $pid' shot "$editor" "$audio" "$key" "$PWD/export-$name.png" 2>/dev/null
done
