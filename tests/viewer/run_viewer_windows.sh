#!/usr/bin/env bash
# Runs the viewer windows' test program under Wine on an X display (the
# caller's, or one scripts/with-display provides). The window pictures are
# converted to PNG.
#   run_viewer_windows.sh ARCH PROGRAM SHOTS_DIR
set -euo pipefail
arch=$1
program=$2
shots=$3
root=$(cd "$(dirname "$0")/../.." && pwd)

# 32-bit programs run through qemu's user-mode emulator on some machines;
# windows with threads crash it there.
if [ "$arch" = win32 ] && "$root/scripts/emulated-cpu"; then
  echo "skipped: 32-bit code runs under an emulated CPU here"
  exit 77
fi

# The windows need an X display: the caller's, or a virtual one for this run.
[ -n "${DISPLAY:-}" ] || exec "$root/scripts/with-display" "$0" "$@"

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
