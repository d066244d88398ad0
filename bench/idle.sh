#!/usr/bin/env bash
# idle.sh [SECONDS] [BUILD_DIR]: what the program costs while it waits, on the virtual mouse.
# Starts corvalantis --virtual-mouse=R240 (offscreen, a fresh HOME), waits until the connect
# sequence is over, then watches it for SECONDS (default 60) doing nothing. Prints:
#   start       exec to the window initialised
#   memory      resident set at the end
#   wake-ups    context switches of all threads per second (from /proc/PID/task/*/status)
#   CPU         user + system time over the quiet period
#   plug-in     a node appearing to the connection opening it (corv_bench, if built)
# Without a tray (offscreen, a bare X server) the window stays shown; nothing in it changes.
set -euo pipefail
seconds="${1:-60}"
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${2:-$here/build-test}"
program="$build/src/app/corvalantis"
[ -x "$program" ] || { echo "idle.sh: build the program first ($program)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/run" && chmod 700 "$work/run"
export HOME="$work" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
export QT_LOGGING_RULES="corv.debug.start=true"
# With a display (DISPLAY set) the program runs on it, with its X11 watchers; else offscreen.
if [ -z "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=offscreen; fi

switches() {
  local total=0 n
  for f in /proc/"$1"/task/*/status; do
    n=$(awk '/ctxt_switches/ {s += $2} END {print s + 0}' "$f" 2>/dev/null || echo 0)
    total=$((total + n))
  done
  echo "$total"
}
cputicks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

started=$(date +%s%N)
"$program" --virtual-mouse=R240 --frame-log="$work/frames" 2>"$work/log" &
pid=$!
until grep -q "initialised at" "$work/log" 2>/dev/null; do
  kill -0 "$pid" 2>/dev/null || { cat "$work/log" >&2; exit 1; }
  sleep 0.005
done
ready=$(grep -o "initialised at [0-9]*" "$work/log" | awk '{print $3}')
echo "start:     $(( (ready - started) / 1000000 )) ms (exec to the window initialised)"

# The connect sequence is over once the frame log has been quiet for three seconds.
last=""
quiet=0
while [ "$quiet" -lt 30 ]; do
  size=$(stat -c %s "$work/frames" 2>/dev/null || echo 0)
  if [ "$size" != "0" ] && [ "$size" = "$last" ]; then quiet=$((quiet + 1)); else quiet=0; fi
  last="$size"
  sleep 0.1
done

s0=$(switches "$pid"); c0=$(cputicks "$pid"); t0=$(date +%s%N)
sleep "$seconds"
s1=$(switches "$pid"); c1=$(cputicks "$pid"); t1=$(date +%s%N)
hz=$(getconf CLK_TCK)
awk -v s="$((s1 - s0))" -v c="$((c1 - c0))" -v ns="$((t1 - t0))" -v hz="$hz" 'BEGIN {
  secs = ns / 1e9
  printf "wake-ups:  %.2f per second (%d context switches in %.0f s, all threads)\n", s / secs, s, secs
  printf "CPU:       %.3f %% (%d ticks of 1/%d s)\n", 100 * c / hz / secs, c, hz
}'
awk '/VmRSS/ {printf "memory:    %.1f MB resident\n", $2 / 1024}' "/proc/$pid/status"
echo "threads:   $(ls /proc/"$pid"/task | wc -l)"
if [ -x "$build/bench/corv_bench" ]; then
  "$build/bench/corv_bench" --benchmark_filter='PlugIn' 2>/dev/null | grep -E "PlugIn" | sed 's/^/plug-in:   /'
fi
