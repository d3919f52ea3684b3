#!/usr/bin/env bash
# Runs the window tests under Wine on an X display of their own, then hands
# every picture they captured from the screen to both Data Matrix readers
# and compares the bytes read with the bytes the picture was made from.
#   run_window_tests.sh WINE_RUN ARCH window_tests.exe PICTURE_DIR DMTXREAD ZXINGREADER
# MCR_TEST_DISPLAY=N uses display :N (an X server already there is reused);
# otherwise Xvfb picks a free display itself.
set -euo pipefail
wine_run=$1 arch=$2 program=$3 pictures=$4 dmtxread=$5 zxingreader=$6

# 32-bit code under qemu's user-mode emulator cannot run the window's threads
# (the emulator itself crashes); there the test is reported as skipped.
if [ "$arch" = win32 ] && { [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; }; then
  echo "window tests skipped: 32-bit code runs under CPU emulation here"
  exit 77
fi

prefix=${MCR_WINEPREFIX:-$(cd "$(dirname "$wine_run")/.." && pwd)/build/wineprefix}
rm -rf "$pictures"
mkdir -p "$pictures"

xvfb_pid=
stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then
    # Wine's desktop process holds the display until its server goes.
    WINEPREFIX=$prefix timeout 20 wineserver -w 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop_xvfb EXIT

if [ -n "${MCR_TEST_DISPLAY:-}" ]; then
  display=$MCR_TEST_DISPLAY
  if [ ! -e "/tmp/.X11-unix/X$display" ]; then
    Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
  fi
else
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$displayfile" ] && break
    sleep 0.1
  done
  display=$(tr -d '\n' <"$displayfile")
  rm -f "$displayfile"
fi
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done
[ -e "/tmp/.X11-unix/X$display" ] || { echo "no X display :$display" >&2; exit 1; }

status=0
DISPLAY=":$display" "$wine_run" "$arch" "$program" "$pictures" || status=$?

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
