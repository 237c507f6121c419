#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
quillon_setup
quillon_build
(cd build && ctest -j2 --output-on-failure)
# The engine's tests and the fuzz targets again, under the sanitizers.
tools/sanitize.sh
# The threaded subsystems' tests again, under ThreadSanitizer.
tools/tsan.sh
