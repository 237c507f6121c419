#!/usr/bin/env bash
# Usage: bench/tagbombs.sh QUILLON_CLI [SEED_FOLDER]
# Peak memory and time of `quillon-cli info` and of ffprobe on MP3s whose ID3v2.3 frames are
# zlib-packed: of some 200-300 KB, a 200 MB title that declares its size and a 300 MB picture,
# both far beyond any tag; and a file of some 30 KB that unpacks to every limit Quillon takes (a
# cover just below 16 MB, eight texts of 1 MB). The goal: any file up to 1 MB opens in at most
# 100 MB and 1 s. With SEED_FOLDER the first two are also written there (fuzz/corpus/tags holds
# them).
set -euo pipefail
cli=${1:?usage: bench/tagbombs.sh QUILLON_CLI [SEED_FOLDER]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -v error -f lavfi -i sine=f=440:d=0.3:r=44100 -map_metadata -1 -write_xing 0 \
  -id3v2_version 0 "$work/audio.mp3"

python3 - "$work" <<'EOF'
import struct, sys, zlib
work = sys.argv[1]
def syncsafe(n):
    return bytes((n >> shift) & 0x7F for shift in (21, 14, 7, 0))
def packed_frame(frame_id, body):
    data = struct.pack('>I', len(body)) + zlib.compress(body, 9)
    return frame_id + struct.pack('>I', len(data)) + b'\x00\x80' + data
def write(name, frame):
    tag = b'ID3\x03\x00\x00' + syncsafe(len(frame)) + frame
    with open(f'{work}/audio.mp3', 'rb') as audio, open(f'{work}/{name}', 'wb') as out:
        out.write(tag + audio.read())
write('packedtitle.mp3', packed_frame(b'TIT2', b'\x00' + b'A' * 200_000_000))
def picture(size):
    return packed_frame(b'APIC', b'\x00image/png\x00\x03\x00\x89PNG\r\n\x1a\n' + bytes(size))
write('packedpicture.mp3', picture(300_000_000))
texts = b''.join(packed_frame(frame_id, b'\x00' + b'x' * ((1 << 20) - 16))
                 for frame_id in (b'TIT2', b'TPE1', b'TALB', b'TPE2', b'TCON', b'TYER', b'TRCK', b'TCOM'))
write('packedlimits.mp3', picture((16 << 20) - 100) + texts)
EOF

measure() { # command...: "peak MB, seconds"
  /usr/bin/time -f '%M %e' -o "$work/time" "$@" >/dev/null 2>&1 || true
  read -r kb seconds <"$work/time"
  echo "$((kb / 1024)) MB, $seconds s"
}

echo "| file | bytes | quillon-cli info | ffprobe |"
echo "|---|---|---|---|"
for name in packedtitle.mp3 packedpicture.mp3 packedlimits.mp3; do
  file=$work/$name
  echo "| $name | $(stat -c %s "$file") | $(measure "$cli" info "$file") |" \
    "$(measure ffprobe -v error "$file") |"
done
if [ -n "${2:-}" ]; then cp "$work/packedtitle.mp3" "$work/packedpicture.mp3" "$2/"; fi
