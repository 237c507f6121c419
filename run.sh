#!/usr/bin/env bash
# Sets up, builds and starts the Quillon editor: ./run.sh [AUDIO_FILE]
set -euo pipefail
file="${1:+$(realpath -m -- "$1")}"
cd "$(dirname "$0")"
source tools/setup.sh
quillon_setup
quillon_build
if [ -n "$file" ]; then
  exec build/src/shell/quillon "$file"
fi
exec build/src/shell/quillon
