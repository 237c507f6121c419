#!/usr/bin/env bash
# Sets up, builds and starts Quillon. Until the editor's window exists this prints what the
# engine reads from the file: ./run.sh FILE
set -euo pipefail
file="${1:+$(realpath -m -- "$1")}"
cd "$(dirname "$0")"
source tools/setup.sh
quillon_setup
quillon_build
if [ -z "$file" ]; then
  echo "usage: ./run.sh AUDIO_FILE" >&2
  exit 2
fi
exec build/src/cli/quillon-cli info "$file"
