#!/usr/bin/env bash
# Usage: tools/tagmatrix.sh QUILLON_CLI
# Which tags and covers survive a save, by source and target format, as ffprobe reads them back.
# Sources carry eight fields (a full date, a track with the number of tracks) and a PNG cover,
# made by FFmpeg; where FFmpeg cannot attach a cover (WAV, Ogg Vorbis, Opus) quillon-cli's --cover
# adds it; FFmpeg writes none to WMA at all. Mutagen (python3-mutagen) then gives each source two
# artists in its format's own way: ID3v2.4 texts (MP3, a WAV's id3 chunk), Vorbis comments, MP4
# values, ASF attributes. ffprobe shows two artists joined by ";" (by "/" from ID3v2.3, by "; "
# from INFO); "2nd artist" is missing where it shows the first alone.
set -euo pipefail
cli=${1:?usage: tools/tagmatrix.sh QUILLON_CLI}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fields=(title artist album album_artist date track genre comment)
values=(Tïtle 'Ärtist(;|/|; )Second' Albüm Band 2021-05-17 3/12 Jazz Cömment)
meta=()
for i in "${!fields[@]}"; do meta+=(-metadata "${fields[$i]}=${values[$i]%%(*}"); done
ffmpeg -v error -f lavfi -i color=c=red:s=16x16:d=1 -frames:v 1 "$work/cover.png"
tone=(-v error -f lavfi -i sine=f=440:d=1:r=44100)

# The second artist, after the first that FFmpeg wrote.
add_artist() { # file
  /usr/bin/python3 - "$1" <<'PYTHON'
import sys
import mutagen
import mutagen.id3
path = sys.argv[1]
artists = ['Ärtist', 'Second']
file = mutagen.File(path)
if file.tags is None:
    file.add_tags()
if path.endswith(('.mp3', '.wav')):
    file.tags.add(mutagen.id3.TPE1(encoding=3, text=artists))
elif path.endswith('.m4a'):
    file.tags['\xa9ART'] = artists
elif path.endswith('.wma'):
    file.tags['Author'] = artists
else:
    file.tags['ARTIST'] = artists
file.save()
PYTHON
}

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
  add_artist "$out"
}

# "title artist ... cover" as ffprobe reads them: the fields with the right value, and the cover.
survivors() {
  local flat got=() tags='(format|streams\.stream\.0)\.tags\.'
  flat=$(ffprobe -v error -show_format -show_streams -of flat "$1")
  for i in "${!fields[@]}"; do
    local key=${fields[$i]}
    grep -qiE "$tags($key|${key/_/}|${key/date/year}|${key/track/tracknumber})=\"${values[$i]}\"" \
      <<<"$flat" && got+=("$key")
  done
  grep -q 'disposition.attached_pic=1' <<<"$flat" && got+=(cover)
  if [ ${#got[@]} -eq 9 ]; then echo "all 8 + cover"; return; fi
  local missing=()
  for key in "${fields[@]}" cover; do [[ " ${got[*]} " == *" $key "* ]] || missing+=("$key"); done
  local text="all but ${missing[*]}"
  grep -qiE "${tags}artist=\"Ärtist\"" <<<"$flat" && text=${text/artist/2nd artist}
  echo "$text"
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
