#!/usr/bin/env bash
# gnome-shell-check.sh [BUILD_DIR]: the GNOME Shell extension and watcher in a real GNOME Shell.
# Starts a private system bus with python3-dbusmock's logind, a private session bus and
# `gnome-shell --headless --wayland --virtual-monitor`, with both forms of our extension
# installed as system extensions (under XDG_DATA_DIRS: the shell checks no update for those);
# then checks, with the programs of BUILD_DIR (default build-test; the targets corvalantisctl
# and corv_foreground_probe):
#   - `corvalantisctl doctor` names the extension disabled, with `gnome-extensions enable UUID`;
#   - the watcher (corv_foreground_probe, through makeForegroundWatcher()) reports none first;
#   - after `gnome-extensions enable UUID` doctor says enabled, and each foot terminal that
#     takes the focus is reported with its pid, executable and app id; closing the one in front
#     gives the focus, and the report, back to the other;
#   - the time from each FocusChanged on the bus (as dbus-monitor stamps it) to the watcher's
#     report, printed as the mean and the largest.
# Needs gnome-shell, python3-dbusmock and foot (about 430 MB of packages, which is why CI does
# not run it). Runs as root too. Exit 0 when every check passed.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build-test}" && pwd)"
ctl="$build/src/cli/corvalantisctl"
probe="$build/tests/live/corv_foreground_probe"
for f in "$ctl" "$probe"; do
  [ -x "$f" ] || { echo "gnome-shell-check: $f is not built" >&2; exit 1; }
done
for cmd in gnome-shell gnome-extensions dbus-daemon dbus-monitor gdbus foot; do
  command -v "$cmd" >/dev/null || { echo "gnome-shell-check: $cmd is not installed" >&2; exit 1; }
done
/usr/bin/python3 -c 'import dbusmock' 2>/dev/null || { echo "gnome-shell-check: python3-dbusmock is not installed" >&2; exit 1; }

work="$(mktemp -d)"
pids=()
cleanup() {
  local status=$?
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -n "${session_pid:-}" ] && kill "$session_pid" 2>/dev/null || true
  [ -n "${system_pid:-}" ] && kill "$system_pid" 2>/dev/null || true
  if [ $status -ne 0 ]; then
    echo "--- the shell's log (last lines)" >&2
    tail -n 30 "$work/shell.log" >&2 2>/dev/null || true
    tail -n 10 "$work/logind.log" >&2 2>/dev/null || true
    cat "$work"/foot*.log >&2 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "gnome-shell-check: FAILED: $*" >&2; exit 1; }
# wait_until SECONDS COMMAND...: runs the check until it succeeds; false after SECONDS.
wait_until() {
  local until=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $until ] || return 1
    sleep 0.1
  done
}

# A home of its own: the session bus starts dconf with this environment, so that the shell and
# gnome-extensions share the settings.
mkdir -p "$work/run" "$work/home" "$work/config" "$work/share/gnome-shell/extensions"
chmod 700 "$work/run"
cp -r "$here"/packaging/gnome-shell/*@corvalantis.org "$work/share/gnome-shell/extensions/"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export XDG_DATA_DIRS="$work/share:/usr/local/share:/usr/share"
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=wayland-gs
unset DISPLAY

cat >"$work/system.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
system_pid="$(dbus-daemon --config-file="$work/system.conf" --fork --print-pid)"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system_bus_socket"
dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$work/session.addr" 4>"$work/session.pid"
session_pid="$(cat "$work/session.pid")"
export DBUS_SESSION_BUS_ADDRESS="$(cat "$work/session.addr")"

/usr/bin/python3 -m dbusmock --system --template logind >"$work/logind.log" 2>&1 &
pids+=($!)
wait_until 30 gdbus introspect --system --dest org.freedesktop.login1 --object-path /org/freedesktop/login1 ||
  fail "the logind mock did not come up"

t0=$SECONDS
gnome-shell --headless --wayland --no-x11 --virtual-monitor 1280x720 --wayland-display wayland-gs \
  >"$work/shell.log" 2>&1 &
pids+=($!)
shell_version() {
  gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.freedesktop.DBus.Properties.Get org.gnome.Shell ShellVersion
}
wait_until 120 shell_version || fail "GNOME Shell did not come up"
version="$(shell_version | sed -n "s/^(<'\([^']*\)'>,)$/\1/p")"
major="${version%%.*}"
if [ "$major" -lt 45 ]; then uuid=program-in-front-gnome43@corvalantis.org; else uuid=program-in-front@corvalantis.org; fi
echo "GNOME Shell $version up after $((SECONDS - t0)) s; its form of the extension: $uuid"

# Installed, not enabled: doctor says how to enable it.
doctor() { "$ctl" doctor || true; }  # its exit code counts the machine's other problems too
doctor >"$work/doctor1"
grep -F "program in front: GNOME Shell" "$work/doctor1" || fail "doctor chose another backend"
grep -F "PROBLEM: the GNOME Shell extension $uuid is installed but disabled" "$work/doctor1" |
  grep -F "gnome-extensions enable $uuid" || { cat "$work/doctor1"; fail "doctor did not tell the disabled extension"; }

# The bus's view of the signals, stamped, for the latency.
dbus-monitor --session "type='signal',interface='org.corvalantis.Foreground',member='FocusChanged'" \
  >"$work/monitor.log" 2>&1 &
pids+=($!)
wait_until 10 grep -q NameAcquired "$work/monitor.log" || fail "dbus-monitor did not start"
"$probe" >"$work/probe.log" 2>"$work/probe.err" &
probe_pid=$!
pids+=($probe_pid)
reports() { cat "$work/probe.log" 2>/dev/null | wc -l; }
has_reports() { [ "$(reports)" -ge "$1" ]; }
wait_until 30 has_reports 1 || fail "the watcher did not report at start: $(cat "$work/probe.err")"
grep -q "pid=0 app= exe=$" "$work/probe.log" || fail "the first report is not none: $(cat "$work/probe.log")"

gnome-extensions enable "$uuid"
enabled() { doctor | grep -qF "GNOME Shell extension: $uuid enabled"; }
wait_until 30 enabled || { doctor; fail "the extension is not enabled"; }
doctor | grep -F 'GNOME Shell extension:'

# The shell starts in the overview, where no window has the focus: leave it, as a user would.
gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
  --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive "<false>" >/dev/null
# has_report APP PID: the last report names the app id and the pid (and its executable).
has_report() { tail -n 1 "$work/probe.log" | grep -q " pid=$2 app=$1 exe=/usr/bin/foot$"; }
foot --app-id=corv-game sleep 1000 >"$work/foot1.log" 2>&1 &
game=$!
pids+=($game)
wait_until 30 has_report corv-game "$game" || fail "the first terminal was not reported: $(cat "$work/probe.log")"
foot --app-id=corv-editor sleep 1000 >"$work/foot2.log" 2>&1 &
editor=$!
pids+=($editor)
wait_until 30 has_report corv-editor "$editor" || fail "the second terminal was not reported: $(cat "$work/probe.log")"
kill "$editor"
wait_until 30 has_report corv-game "$game" || fail "the focus going back was not reported: $(cat "$work/probe.log")"
count="$(reports)"
# No report repeats the one before it.
dups="$(awk '{ $1 = "" } prev == $0 { n++ } { prev = $0 } END { print n + 0 }' "$work/probe.log")"
[ "$dups" -eq 0 ] || fail "$dups repeated report(s): $(cat "$work/probe.log")"
kill -TERM "$probe_pid"
wait "$probe_pid" || true
echo "the watcher's reports:"
cut -d' ' -f2- "$work/probe.log" | sed 's/^/  /'

# Each report after the first against the signal that caused it: the latest FocusChanged the
# bus passed on before the report.
awk '
  /^signal time=/ { split($2, t, "="); signals[++n] = t[2] * 1000000; next }
  FILENAME == ARGV[2] && $1 ~ /^[0-9]+$/ { reports[++m] = $1 }
  END {
    for (i = 2; i <= m; i++) {
      best = -1
      for (j = 1; j <= n; j++) if (signals[j] <= reports[i]) best = signals[j]
      if (best < 0) continue
      d = (reports[i] - best) / 1000; sum += d; k++; if (d > max) max = d
    }
    if (k == 0) { print "no signal matched a report"; exit 1 }
    printf "FocusChanged on the bus to the watcher'"'"'s report: %d changes, mean %.2f ms, largest %.2f ms\n", k, sum / k, max
  }' "$work/monitor.log" "$work/probe.log"
echo "gnome-shell-check: all checks passed ($count reports)"
