#!/usr/bin/env bash
# Measures, under Wine on a virtual display, the emulator window's show time
# with eight 40-character presets, the delivery's lateness against Delay,
# and, with McrSwipe64.exe beside hostsim, the time from the tool's start to
# the host's event minus Delay (its own start under Wine, finding the
# window, the message and its answer, the delivery).
#   bench/window/run.sh [hostsim64.exe] [McrEmulatorWin64.dll]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
hostsim=${1:-$root/dist/hostsim64.exe}
dll=${2:-$root/dist/McrEmulatorWin64.dll}
[ -n "${DISPLAY:-}" ] || exec "$root/scripts/with-display" "$0" "$@"
out=$("$root/scripts/wine-run" win64 "$hostsim" "$dll" script "$root/bench/window/delivery.hss")
echo "$out" | grep -E 'Open|took' | head -3
echo "$out" | sed -n 's/.*event +\([0-9]*\) ms.*/\1/p' | sort -n | awk '{v[NR]=$1-1000} END {
  printf "delivery lateness over %d events: median %d ms, max %d ms\n", NR, v[int((NR+1)/2)], v[NR] }'

if [ -f "$(dirname "$hostsim")/McrSwipe64.exe" ]; then
  out=$("$root/scripts/wine-run" win64 "$hostsim" "$dll" script "$root/bench/window/swipe.hss")
  echo "$out" | grep -q 'result: ok' || { echo "$out"; exit 1; }
  echo "$out" | sed -n 's/.*event +\([0-9]*\) ms.*/\1/p' | sort -n | awk '{v[NR]=$1-1000} END {
    printf "swipe, McrSwipe64 start to event minus Delay, over %d swipes: median %d ms, max %d ms\n", NR, v[int((NR+1)/2)], v[NR] }'
fi
