#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures and builds the project into DIR.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
