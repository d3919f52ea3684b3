#!/usr/bin/env bash
# Runs the Linux window tests on a virtual display of their own with a real
# window manager (openbox), so that the window-manager hints are honoured
# and can be read back; then hands the captured pictures to both Data Matrix
# readers. xdg-open is replaced by a recorder of what it was asked to open.
#   run_x11_tests.sh x11_tests PICTURE_DIR DECODE_PICTURES DMTXREAD ZXINGREADER
set -euo pipefail
program=$1 pictures=$2 decode=$3 dmtxread=$4 zxingreader=$5

work=$(mktemp -d)
xvfb="" wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(tr -d '\n' <"$work/display")
HOME=$work openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

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
status=0
PATH="$work/bin:$PATH" TMPDIR="$work/tmp" MCR_COMMON_APPDATA="$work/appdata" MCR_XDG_OPEN_LOG="$work/xdg-open.log" \
  "$program" "$pictures" -tse='' -ts='x11 windows' || status=$?
env -u DISPLAY TMPDIR="$work/tmp" MCR_COMMON_APPDATA="$work/appdata" \
  "$program" "$pictures" -tc='*without a graphical display*' || status=$?
"$decode" "$pictures" "$dmtxread" "$zxingreader" || status=1
exit $status
