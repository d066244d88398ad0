#!/usr/bin/env bash
# Installs what is missing, builds everything twice (plain, and with AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs the whole test suite in both builds; between the two,
# builds the Debian package and the RPM of the plain build and checks them with lintian and
# rpmlint, and the Arch package of the sources with makepkg. Then runs the connection, listener
# and window tests under ThreadSanitizer and each fuzz target for a short while from its seed
# corpus.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"

export QT_QPA_PLATFORM=offscreen

echo "== format: every C++ file as .clang-format says"
"$here/scripts/format.sh" --check

jobs="$(nproc)"
stamp() { date +%s; }
took() { echo "-- $1 took $(( $(stamp) - $2 )) s"; }

echo "== plain build"
t=$(stamp)
"$here/scripts/build.sh" "$here/build-test"
(cd "$here/build-test" && ctest --output-on-failure -j"$jobs")
took "plain build and tests" "$t"

echo "== Debian package and lintian"
t=$(stamp)
rm -rf "$here/build-test/package"
(cd "$here/build-test" && cpack -G DEB -B "$here/build-test/package" >/dev/null)
deb="$(ls "$here"/build-test/package/*.deb)"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
# README.md ("Installing") explains each warning that stays; an error fails the run.
lintian --fail-on error --tag-display-limit 0 "$deb"
took "package and lintian" "$t"

echo "== RPM and rpmlint"
t=$(stamp)
(cd "$here/build-test" && cpack -G RPM -B "$here/build-test/package" >/dev/null)
rpm="$(ls "$here"/build-test/package/*.rpm)"
echo "$(basename "$rpm"): $(stat -c %s "$rpm") bytes"
# rpmlint set as Fedora and openSUSE set it (packaging/rpm/rpmlint.toml); README.md
# ("Installing") explains each warning that stays. rpmlint exits non-zero on an error.
rpmlint -c "$here/packaging/rpm/rpmlint.toml" "$rpm"
took "RPM and rpmlint" "$t"

echo "== Arch package (makepkg, as an unprivileged user), the same files as the Debian package"
t=$(stamp)
# Its size and the comparison; the whole file list is in the package (bsdtar -tf).
"$here/scripts/makepkg.sh" "$here/build-test/package" "$deb" | sed -n '1p;$p'
took "Arch package" "$t"

echo "== sanitizer build (ASan + UBSan)"
t=$(stamp)
"$here/scripts/build.sh" "$here/build-asan" -DCORV_SANITIZE=ON -DCORV_BUILD_BENCH=OFF
(cd "$here/build-asan" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j"$jobs")
took "sanitizer build and tests" "$t"

echo "== thread sanitizer: device connection, listener and window tests"
t=$(stamp)
BUILD_TARGETS="test_device test_app" "$here/scripts/build.sh" "$here/build-tsan" -DCORV_TSAN=ON -DCORV_BUILD_BENCH=OFF
# tsan.supp names the races TSan reports inside system libraries it cannot see into.
export TSAN_OPTIONS="suppressions=$here/tsan.supp halt_on_error=1 second_deadlock_stack=1"
"$here/build-tsan/tests/device/test_device"
# The skin's text walk draws every page through Qt's pooled image threads, which Qt
# synchronises inside QThreadPool where TSan cannot see (it reports Qt's own hand-over); the
# walk is single-threaded on our side and runs in the plain and ASan builds above.
"$here/build-tsan/tests/app/test_app" --gtest_filter=-SkinTest.EveryPageShowsItsTextsWholeInBothLanguages
unset TSAN_OPTIONS
took "thread sanitizer build and tests" "$t"

echo "== fuzz targets, a fixed seed and number of inputs each, from their seed corpora"
t=$(stamp)
# A fixed seed and input count: the same inputs every run, so CI repeats what passed here.
# The descriptor parser and the script parser take far less per input: more inputs, about
# the same time.
FUZZ_SEED="${CORV_FUZZ_SEED:-1}" FUZZ_RUNS="${CORV_FUZZ_RUNS:-20000}" "$here/scripts/fuzz.sh" "${CORV_FUZZ_SECONDS:-20}" \
  fuzz_ini fuzz_device_answers fuzz_macros fuzz_palette fuzz_compositor_ipc
FUZZ_SEED="${CORV_FUZZ_SEED:-1}" FUZZ_RUNS="$(( ${CORV_FUZZ_RUNS:-20000} * 15 ))" "$here/scripts/fuzz.sh" "${CORV_FUZZ_SECONDS:-20}" \
  fuzz_hid_descriptor fuzz_script
took "fuzz build and runs" "$t"
