#!/usr/bin/env bash
# Measures, under Wine on a virtual display, the time from McrSwipe.exe's
# start to the host's "TracksData" event minus Delay (1000 ms): the tool's
# own start, finding the window, the message and its answer, and the
# delivery's lateness, over 20 swipes.
#   bench/swipe/run.sh [hostsim64.exe] [McrEmulatorWin64.dll]   (McrSwipe.exe beside hostsim)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
hostsim=${1:-$root/dist/hostsim64.exe}
dll=${2:-$root/dist/McrEmulatorWin64.dll}
[ -n "${DISPLAY:-}" ] || exec "$root/scripts/with-display" "$0" "$@"
out=$("$root/scripts/wine-run" win64 "$hostsim" "$dll" script "$root/bench/swipe/swipe.hss")
echo "$out" | grep -q 'result: ok' || { echo "$out"; exit 1; }
echo "$out" | sed -n 's/.*event +\([0-9]*\) ms.*/\1/p' | sort -n | awk '{v[NR]=$1-1000} END {
  printf "swipe (McrSwipe start to event, minus Delay) over %d swipes: median %d ms, max %d ms\n", NR, v[int((NR+1)/2)], v[NR] }'
