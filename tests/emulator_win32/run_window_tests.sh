#!/usr/bin/env bash
# Runs the window tests under Wine on an X display, then hands
# every picture they captured from the screen to both Data Matrix readers
# and compares the bytes read with the bytes the picture was made from.
#   run_window_tests.sh WINE_RUN ARCH window_tests.exe PICTURE_DIR DMTXREAD ZXINGREADER
# The caller's DISPLAY is used when set; otherwise scripts/with-display
# provides one.
set -euo pipefail
wine_run=$1 arch=$2 program=$3 pictures=$4 dmtxread=$5 zxingreader=$6

# 32-bit code under qemu's user-mode emulator cannot run the window's threads
# (the emulator itself crashes); there the test is reported as skipped.
scripts=$(cd "$(dirname "$wine_run")" && pwd)
if [ "$arch" = win32 ] && "$scripts/emulated-cpu"; then
  echo "window tests skipped: 32-bit code runs under CPU emulation here"
  exit 77
fi

# Without a display of the caller's, the whole run gets a virtual one.
[ -n "${DISPLAY:-}" ] || exec "$scripts/with-display" "$0" "$@"

rm -rf "$pictures"
mkdir -p "$pictures"

status=0
"$wine_run" "$arch" "$program" "$pictures" || status=$?

count=0
for picture in "$pictures"/*.pgm; do
  [ -e "$picture" ] || continue
  expected=${picture%.pgm}.bytes
  count=$((count + 1))
  for reader in dmtx zxing; do
    if [ "$reader" = dmtx ]; then
      read=$({ "$dmtxread" -N1 -m 20000 "$picture" || true; } | od -An -tx1 | tr -d ' \n')
    else
      read=$({ "$zxingreader" -format DataMatrix -bytes "$picture" || true; } | od -An -tx1 | tr -d ' \n')
    fi
    want=$(od -An -tx1 <"$expected" | tr -d ' \n')
    if [ -n "$want" ] && [ "$read" = "$want" ]; then
      echo "decoded $(basename "$picture") with $reader"
    else
      echo "FAILED: $(basename "$picture") with $reader read '$read', expected '$want'" >&2
      status=1
    fi
  done
done
if [ "$count" -eq 0 ]; then
  echo "FAILED: the window tests captured no picture" >&2
  status=1
fi
exit $status
