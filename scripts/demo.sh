#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it on the virtual mouse.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$here/build" -DCORV_BUILD_TESTS=OFF -DCORV_BUILD_BENCH=OFF
exec "$here/build/src/cli/corvalantisctl" --virtual-mouse=R240 info
