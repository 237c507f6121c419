#!/bin/sh
# Runs a test program on a private X server. Exits 77, which CTest counts as skipped, when the
# server or the clipboard tool is not installed.
for tool in Xvfb xclip; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "Skipped: $tool is not installed (tools/setup.sh installs xvfb, xauth and xclip)."
    exit 77
  fi
done
exec timeout 150 bash "$(dirname "$0")/../support/xvfb_run.sh" 640x480x24 env QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$@"
