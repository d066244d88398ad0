#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on a virtual R240 mouse.
# Without a display the program says so and names the alternatives (--screenshots and
# the command-line tool).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$here/build" -DCORV_BUILD_TESTS=OFF -DCORV_BUILD_BENCH=OFF
exec "$here/build/src/app/corvalantis" --virtual-mouse=R240 "$@"
