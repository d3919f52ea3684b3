#!/usr/bin/env bash
# A test killed at its time limit leaves no process behind: ctest kills the
# test's process tree, which Wine's processes have left (each is started
# detached, and the server is a daemon). Here hostsim is killed that way
# while its swipe tool waits for a busy emulator; within 3 s no process of
# the prefix may be left: not the tool (which would give up only after 5 s),
# not the hosts, not the prefix's server.
#   check_timeout_cleanup.sh WINE_RUN ARCH HOSTSIM DLL HELD_SCRIPT BUSY_SCRIPT
set -uo pipefail
wine_run=$1 arch=$2 hostsim=$3 dll=$4 held=$5 busy=$6
tools=$(cd "$(dirname "$wine_run")" && pwd)
[ -n "${DISPLAY:-}" ] || exec "$tools/with-display" "$0" "$@"
prefix=${MCR_WINEPREFIX:-$tools/../build/wineprefix}
prefix=$(cd "$prefix" && pwd)

# The processes that run with the prefix in their environment.
prefix_processes() {
  local file
  for file in $(grep -l -s -z -x "WINEPREFIX=$prefix" /proc/[0-9]*/environ); do
    echo "${file%/environ}: $(tr '\0' ' ' 2>/dev/null <"${file%/environ}/cmdline")"
  done
}
# As ctest does at a time limit: SIGKILL to the process and, found through
# their parents, all its descendants.
kill_tree() {
  local child
  for child in $(pgrep -P "$1"); do kill_tree "$child"; done
  kill -KILL "$1" 2>/dev/null
}

# Another host, outside the test's process tree, with a connected emulator
# that does not answer: the killed host's swipe tool waits for it.
busy_out=$(mktemp)
trap 'rm -f "$busy_out"' EXIT
(setsid "$wine_run" "$arch" "$hostsim" "$dll" script "$busy" </dev/null >"$busy_out" 2>&1 &)
for _ in $(seq 600); do
  grep -q '^> busy.hss:[0-9]*: sleep' "$busy_out" && break
  sleep 0.1
done
grep -q '^> busy.hss:[0-9]*: sleep' "$busy_out" || { echo "FAIL: the busy host did not show its window"; cat "$busy_out"; exit 1; }

"$wine_run" "$arch" "$hostsim" "$dll" script "$held" >/dev/null 2>&1 &
runner=$!
tool=
for _ in $(seq 600); do
  tool=$(prefix_processes | grep -E 'McrSwipe(64)?\.exe')
  [ -n "$tool" ] && break
  sleep 0.1
done
if [ -z "$tool" ]; then
  echo "FAIL: the swipe tool did not start within 60 s"
  kill_tree "$runner"
  exit 1
fi
sleep 0.5
kill_tree "$runner"
wait "$runner" 2>/dev/null
left=
until=$((SECONDS + 3))
while [ "$SECONDS" -le "$until" ]; do
  left=$(prefix_processes)
  [ -z "$left" ] && break
  sleep 0.1
done
if [ -n "$left" ]; then
  echo "FAIL: processes of the prefix left 3 s after the test was killed:"
  echo "$left"
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null
  exit 1
fi
echo "no process of the prefix left"
