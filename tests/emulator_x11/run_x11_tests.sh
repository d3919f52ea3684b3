#!/usr/bin/env bash
# Runs the Linux window tests on a display with a window manager (the run's,
# or a virtual one with openbox from scripts/with-display), then without any
# display, and hands the captured pictures to both Data Matrix readers.
# xdg-open is replaced by a recorder of what it was asked to open.
# recorder of what it was asked to open.
#   run_x11_tests.sh x11_tests PICTURE_DIR DECODE_PICTURES DMTXREAD ZXINGREADER
set -euo pipefail
program=$1 pictures=$2 decode=$3 dmtxread=$4 zxingreader=$5
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/tmp" "$work/appdata"
cat >"$work/bin/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$1" >"$work/xdg-open.log"
SCRIPT
chmod +x "$work/bin/xdg-open"

rm -rf "$pictures"
mkdir -p "$pictures"
# X11 and fontconfig keep caches for the process's life, which the leak
# checker would report at exit.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
export TMPDIR=$work/tmp MCR_COMMON_APPDATA=$work/appdata
status=0
PATH="$work/bin:$PATH" MCR_XDG_OPEN_LOG="$work/xdg-open.log" \
  "$scripts/with-display" "$program" "$pictures" -ts='x11 windows' || status=$?
env -u DISPLAY "$program" "$pictures" -tc='*without a graphical display*' || status=$?
"$decode" "$pictures" "$dmtxread" "$zxingreader" || status=1
exit $status
