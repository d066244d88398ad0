#!/usr/bin/env bash
# fuzz.sh [SECONDS] [TARGET...]: builds the fuzz targets of tests/fuzz with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS
# (default 60) on two workers, starting from its seed corpus in the tree. What the fuzzer
# finds is kept in build-fuzz/corpus/<target>/ and used again by the next run; a crash stops
# the run with its input saved as build-fuzz/crash-<target>-*.
# FUZZ_SEED=N (CI) makes a run repeatable instead: one process, that seed, FUZZ_RUNS inputs
# (default 20000) per target, so a run that passed here passes there too.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_ini fuzz_hid_descriptor fuzz_script fuzz_device_answers fuzz_macros fuzz_palette fuzz_compositor_ipc)
fi
build="${FUZZ_BUILD_DIR:-$here/build-fuzz}"
jobs="${FUZZ_JOBS:-$(nproc)}"

BUILD_TARGETS="${targets[*]}" "$here/scripts/build.sh" "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCORV_FUZZ=ON -DCORV_BUILD_GUI=OFF -DCORV_BUILD_TESTS=OFF -DCORV_BUILD_BENCH=OFF

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
status=0
marker="$build/.fuzz-run-start"
for t in "${targets[@]}"; do
  touch "$marker"
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  echo "== $t: ${seconds}s"
  # -fork spreads the work over the cores and keeps going after a worker's crash only when
  # asked: a crash ends this target's run, which is what we want.
  if [ -n "${FUZZ_SEED:-}" ]; then
    mode=(-seed="$FUZZ_SEED" -runs="${FUZZ_RUNS:-20000}" -max_total_time=$((seconds * 6)))
  else
    mode=(-max_total_time="$seconds" -fork="$jobs")
  fi
  if ! (cd "$build" && "$build/tests/fuzz/$t" "${mode[@]}" \
        -artifact_prefix="$build/crash-$t-" -print_final_stats=1 -print_funcs=0 \
        "$corpus" "$here/tests/fuzz/corpus/$t" 2>&1 | grep -v NEW_FUNC | tail -n 40); then
    status=1
  fi
  found="$(find "$build" -maxdepth 1 -name "crash-$t-*" -newer "$marker")"
  if [ -n "$found" ]; then
    echo "fuzz.sh: $t crashed; inputs: $found" >&2
    status=1
  fi
done
exit $status
