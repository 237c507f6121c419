#!/usr/bin/env bash
# Sets up, builds and starts the Quillon editor: ./run.sh [AUDIO_FILE]
set -euo pipefail
file="${1:+$(realpath -m -- "$1")}"
cd "$(dirname "$0")"
source tools/setup.sh
quillon_setup
# Only what starts: the test programs wait for ./test.sh.
quillon_build quillon quillon-cli
if [ -n "$file" ]; then
  exec build/src/shell/quillon "$file"
fi
exec build/src/shell/quillon
