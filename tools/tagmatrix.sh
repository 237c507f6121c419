#!/usr/bin/env bash
# Usage: tools/tagmatrix.sh QUILLON_CLI
# Which tags and covers survive a save, by source and target format, as ffprobe reads them back.
# Sources carry eight fields and a PNG cover, made by FFmpeg; where FFmpeg cannot attach a cover
# (WAV, Ogg Vorbis, Opus) quillon-cli's --cover adds it; FFmpeg writes none to WMA at all.
set -euo pipefail
cli=${1:?usage: tools/tagmatrix.sh QUILLON_CLI}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fields=(title artist album album_artist date track genre comment)
values=(Tïtle Ärtist Albüm Band 2021 3 Jazz Cömment)
meta=()
for i in "${!fields[@]}"; do meta+=(-metadata "${fields[$i]}=${values[$i]}"); done
ffmpeg -v error -f lavfi -i color=c=red:s=16x16:d=1 -frames:v 1 "$work/cover.png"
tone=(-v error -f lavfi -i sine=f=440:d=1:r=44100)

make_source() { # extension
  local out="$work/source.$1" codec=()
  [ "$1" = opus ] && codec=(-c:a libopus)
  case $1 in
  mp3 | flac | m4a)
    ffmpeg "${tone[@]}" -i "$work/cover.png" -map 0 -map 1 -c:v copy \
      -disposition:v attached_pic "${meta[@]}" "$out" ;;
  wav | ogg | opus)
    ffmpeg "${tone[@]}" "${codec[@]}" "${meta[@]}" "$work/plain.$1"
    "$cli" edit "$work/plain.$1" --cover "$work/cover.png" -o "$out" 2>/dev/null ;;
  wma) ffmpeg "${tone[@]}" "${meta[@]}" "$out" ;;
  esac
}

# "title artist ... cover" as ffprobe reads them: the fields with the right value, and the cover.
survivors() {
  local flat got=()
  flat=$(ffprobe -v error -show_format -show_streams -of flat "$1")
  for i in "${!fields[@]}"; do
    local key=${fields[$i]}
    grep -qiE "(format|streams\.stream\.0)\.tags\.($key|${key/_/}|${key/date/year}|${key/track/tracknumber})=\"${values[$i]}\"" <<<"$flat" &&
      got+=("$key")
  done
  grep -q 'disposition.attached_pic=1' <<<"$flat" && got+=(cover)
  if [ ${#got[@]} -eq 9 ]; then echo "all 8 + cover"; return; fi
  local missing=()
  for key in "${fields[@]}" cover; do [[ " ${got[*]} " == *" $key "* ]] || missing+=("$key"); done
  echo "all but ${missing[*]}"
}

targets=(wav mp3 flac ogg opus)
header="| source | read from source |"
for target in "${targets[@]}"; do header+=" → $target |"; done
echo "$header"
echo "|---|---|$(printf -- '---|%.0s' "${targets[@]}")"
for source in mp3 wav flac ogg opus wma m4a; do
  make_source "$source"
  row="| $source | $(survivors "$work/source.$source") |"
  for target in "${targets[@]}"; do
    "$cli" edit "$work/source.$source" -o "$work/out.$target" 2>/dev/null
    row+=" $(survivors "$work/out.$target") |"
    rm -f "$work/out.$target"
  done
  echo "$row"
done
