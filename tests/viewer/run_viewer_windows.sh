#!/usr/bin/env bash
# Runs the viewer windows' test program under Wine on an X display: the
# caller's DISPLAY when set, else a virtual one (Xvfb :93) started here and
# stopped afterwards. The window pictures are converted to PNG.
#   run_viewer_windows.sh ARCH PROGRAM SHOTS_DIR
set -euo pipefail
arch=$1
program=$2
shots=$3
root=$(cd "$(dirname "$0")/../.." && pwd)

# 32-bit programs run through qemu's user-mode emulator on some machines;
# windows with threads crash it there. Same test as scripts/wine-run.
if [ "$arch" = win32 ] && { ! /lib/ld-linux.so.2 --version >/dev/null 2>&1 || [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; }; then
  echo "skipped: 32-bit code runs under an emulated CPU here"
  exit 77
fi

# A prefix's Wine server talks to the display of the program that started
# it, and other tests' programs may share a prefix: this test has a prefix
# of its own beside its pictures (made on the first run), waits until no
# program of it runs, and lets its server end before the display does.
export MCR_WINEPREFIX=$(dirname "$shots")/wineprefix
export WINEPREFIX=$MCR_WINEPREFIX
wait_for_wine() { timeout 120 /usr/lib/wine/wineserver -w 2>/dev/null || true; }

xvfb_pid=
cleanup() {
  wait_for_wine
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
wait_for_wine
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:93
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
fi

if [ ! -f "$WINEPREFIX/.mcr-ready" ]; then
  echo "making the test's Wine prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 </dev/null
  wait_for_wine
  touch "$WINEPREFIX/.mcr-ready"
fi

rm -rf "$shots"
mkdir -p "$shots"
status=0
"$root/scripts/wine-run" "$arch" "$program" "Z:${shots//\//\\}" || status=$?
for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] || continue
  if command -v convert >/dev/null; then convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"; fi
done
ls "$shots"
exit $status
