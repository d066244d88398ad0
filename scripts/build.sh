#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures and builds the project into DIR.
# BUILD_TARGETS="a b" builds only those targets (and what they need).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
launcher=()
# ccache makes rebuilds of unchanged files (another build folder, a switched branch) free.
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" "$@" >/dev/null
targets=()
if [ -n "${BUILD_TARGETS:-}" ]; then read -r -a names <<<"$BUILD_TARGETS"; targets=(--target "${names[@]}"); fi
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
