#!/usr/bin/env bash
# Runs the window tests under Wine on an X display, then hands
# every picture they captured from the screen to both Data Matrix readers.
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

"$(dirname "$0")/../barcode/decode_pictures.sh" "$pictures" "$dmtxread" "$zxingreader" || status=1
exit $status
