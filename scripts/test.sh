#!/usr/bin/env bash
# Installs what is missing, builds everything twice (plain, and with AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs the whole test suite in both builds.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"

export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

echo "== plain build"
"$here/scripts/build.sh" "$here/build-test"
(cd "$here/build-test" && ctest --output-on-failure -j"$jobs")

echo "== sanitizer build (ASan + UBSan)"
"$here/scripts/build.sh" "$here/build-asan" -DCORV_SANITIZE=ON -DCORV_BUILD_BENCH=OFF
(cd "$here/build-asan" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j"$jobs")
