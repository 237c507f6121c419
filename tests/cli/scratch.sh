# Sourced by the CLI's script tests: quillon-cli's absolute path in cli, a scratch folder in work
# (the current folder from here on) with its own temporary and data folders and a music folder,
# and a stereo 44.1 kHz sine of $2 seconds in source.wav. Removed, with any run left, at exit.
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export TMPDIR=$work/tmp XDG_DATA_HOME=$work/data
mkdir -p "$TMPDIR" "$work/music"
cd "$work"
sox -n -r 44100 -c 2 -b 16 source.wav synth "$2" sine 440 vol 0.5
