#!/usr/bin/env bash
# The emulator window of the Linux component through the C++ host, on a
# display with a window manager (the caller's, or a virtual one with openbox):
# the window manager's view of the window, both pictures decoded from the
# screen by two Data Matrix readers, and a real double-click on each picture
# giving "TracksData" with its preset after Delay; a double-click right before
# the host destroys the object with its window open and unloads the library
# still gives its event.
# The swipe tool reaches the window over its socket, whatever runtime folder
# the tool's environment names; a stopped host holds no tool beyond its
# deadline and, going on, delivers nothing those tools gave up on. Without a
# place for its socket the window still opens. A host may unload the
# library with its object alive.
#   run_window_test.sh CXX_HOST LIBRARY SWIPE_TOOL DECODE_PICTURES DMTXREAD ZXINGREADER
set -uo pipefail
host=$1 library=$2 tool=$3 decode=$4 dmtxread=$5 zxingreader=$6
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec "$scripts/with-display" "$0" "$@"
fi
delay=1000
work=$(mktemp -d)
host_pid=
trap '[ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/appdata" "$work/pictures" "$work/runtime"
chmod 700 "$work/runtime"
# A runtime folder of the test's own, as a CI agent's differs from the desktop's.
export XDG_RUNTIME_DIR=$work/runtime
uid=$(id -u)
failed=0
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }
now_ms() { date +%s%3N; }

MCR_COMMON_APPDATA=$work/appdata "$host" open "$library" "$delay" 4 90 >"$work/out" 2>&1 &
host_pid=$!
for _ in $(seq 100); do grep -q '^opened\|^not opened' "$work/out" && break; sleep 0.1; done
grep -q '^opened' "$work/out" || { cat "$work/out"; echo "FAILED: the emulator did not connect"; exit 1; }
window=$(timeout 10 xdotool search --sync --onlyvisible --name ' MCR$' | head -n 1)
[ -n "$window" ] || { echo "FAILED: no window \"Эмулятор MCR\""; exit 1; }

xprop -id "$window" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_UTILITY || fail "not a utility window"
xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "not above the others"
# Transparency 20: alpha 200 of 255, spread over the property's 32 bits.
xprop -id "$window" _NET_WM_WINDOW_OPACITY | grep -q "= $((200 * 0x01010101))\$" || fail "opacity is not 200/255"
info=$(xwininfo -id "$window")
x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
width=$(sed -n 's/.*Width: *//p' <<<"$info")
height=$(sed -n 's/.*Height: *//p' <<<"$info")
[ "$width" = 182 ] && [ "$height" = 145 ] || fail "client area ${width}x$height, expected 182x145"
echo "window $window at $x,$y, ${width}x$height"

# The pictures as the screen shows them (pointer out of the way, so no hint covers them).
page_top=57 lefts=(3 89) presets=(123456789 ABCDEFGH)
xdotool mousemove 0 0
sleep 0.3
import -window root "$work/screen.png"
for i in 0 1; do
  convert "$work/screen.png" -crop "80x80+$((x + lefts[i]))+$((y + page_top))" +repage \
    -bordercolor white -border 16 -depth 8 "$work/pictures/image$((i + 1)).pgm"
  printf '%s' "${presets[i]}" >"$work/pictures/image$((i + 1)).bytes"
done
"$decode" "$work/pictures" "$dmtxread" "$zxingreader" || fail "the pictures on the screen do not decode"

# A double-click on each picture, each one after the previous event arrived.
for i in 0 1; do
  clicked=$(now_ms)
  xdotool mousemove $((x + lefts[i] + 40)) $((y + page_top + 40)) sleep 0.05 click --repeat 2 --delay 60 1
  for _ in $(seq 100); do [ "$(grep -c '^event ' "$work/out")" -gt "$i" ] && break; sleep 0.1; done
  line=$(grep '^event ' "$work/out" | sed -n "$((i + 1))p")
  [ -n "$line" ] || { fail "no event after the double-click on picture $((i + 1))"; continue; }
  read -r _ at text <<<"$line"
  late=$((at - clicked))
  echo "picture $((i + 1)): event ${late} ms after the click: $text"
  # SOURCE|MESSAGE|DATA: the driver's events have an empty source.
  [ "$text" = "|TracksData|${presets[i]}" ] || fail "picture $((i + 1)) gave \"$text\""
  [ "$late" -ge "$delay" ] && [ "$late" -le $((delay + 3000)) ] || fail "picture $((i + 1)): ${late} ms, Delay is $delay"
done

# A swipe from a script: its own socket in the account's private folder, the text with an escape.
sockets=$(ls /run/user/"$uid"/mcr-swipe-"$host_pid"-*.sock /tmp/mcr-swipe-"$uid"/mcr-swipe-"$host_pid"-*.sock 2>/dev/null)
socket=$(head -n 1 <<<"$sockets")
[ -S "$socket" ] && [ "$(stat -c %a "$socket")" = 600 ] && [ "$(stat -c %a "$(dirname "$socket")")" = 700 ] ||
  fail "no socket of mode 600 in a folder of mode 700: $sockets"
"$tool" --pid "$host_pid" "A<0x42>C" >"$work/swiped" 2>&1 || fail "the swipe tool gave $?: $(cat "$work/swiped")"
grep -q "^delivered in $delay ms: ABC$" "$work/swiped" || fail "the swipe tool said: $(cat "$work/swiped")"
for _ in $(seq 100); do [ "$(grep -c '^event ' "$work/out")" -gt 2 ] && break; sleep 0.1; done
[ "$(grep '^event ' "$work/out" | sed -n 3p | cut -d' ' -f3)" = "|TracksData|ABC" ] || fail "no event for the tool's swipe"

# Twelve tools against the stopped host: the first one's swipe waits in the
# socket's queue, the others find the queue full. Each gives up with exit 5
# by its deadline; once the host goes on, none of their swipes arrives.
timed_tool() {
  local from
  from=$(now_ms)
  "$tool" --pid "$host_pid" STOPPED >/dev/null 2>&1
  echo "$? $(($(now_ms) - from))"
}
kill -STOP "$host_pid"
tools=()
timed_tool >"$work/stopped.0" &
tools+=($!)
sleep 1.5
for i in $(seq 11); do
  timed_tool >"$work/stopped.$i" &
  tools+=($!)
done
wait "${tools[@]}"
kill -CONT "$host_pid"
for i in $(seq 0 11); do
  read -r code took <"$work/stopped.$i"
  [ "$code" = 5 ] && [ "$took" -le 6500 ] || fail "tool $i against the stopped host: exit $code after $took ms"
done
echo "stopped host: tools ended with $(cut -d' ' -f1 "$work"/stopped.* | sort | uniq -c | xargs), the slowest after $(cut -d' ' -f2 "$work"/stopped.* | sort -n | tail -n 1) ms"
sleep $((delay / 1000 + 2))
! grep -q 'STOPPED' "$work/out" || fail "a swipe given up on was delivered late: $(grep STOPPED "$work/out")"

xdotool mousemove $((x + lefts[0] + 40)) $((y + page_top + 40)) sleep 0.05 click --repeat 2 --delay 60 1
sleep 0.2
kill -USR1 "$host_pid"
wait "$host_pid"
status=$?
host_pid=
cat "$work/out"
[ "$(grep '^event ' "$work/out" | sed -n 4p | cut -d' ' -f3)" = "|TracksData|${presets[0]}" ] ||
  fail "the delivery pending at the host's disconnect was lost"
[ -z "$(ls "$work/runtime")" ] || fail "the component followed the environment's runtime folder: $(ls "$work/runtime")"
left=$(ls /run/user/"$uid"/mcr-swipe-"$host_pid"-*.sock /tmp/mcr-swipe-"$uid"/mcr-swipe-"$host_pid"-*.sock 2>/dev/null)
[ -z "$left" ] || fail "sockets left behind: $left"
[ "$status" = 0 ] || fail "the host ended with $status"

# The library unloaded with its object alive, a delivery pending: that
# delivery, a later swipe and the process's end bring no crash.
MCR_COMMON_APPDATA=$work/appdata "$host" abandon "$library" "$delay" >"$work/out.abandon" 2>&1 &
host_pid=$!
for _ in $(seq 100); do grep -q '^opened\|^not opened' "$work/out.abandon" && break; sleep 0.1; done
"$tool" --pid "$host_pid" PENDING >/dev/null 2>&1 || fail "the swipe before the unload gave $?"
kill -USR1 "$host_pid"
for _ in $(seq 50); do grep -q '^unloaded' "$work/out.abandon" && break; sleep 0.1; done
timeout 10 "$tool" --pid "$host_pid" AFTER >/dev/null 2>&1
wait "$host_pid"
status=$?
host_pid=
grep -q '^survived' "$work/out.abandon" && [ "$status" = 0 ] ||
  fail "the host that unloaded a live object ended with $status: $(cat "$work/out.abandon")"

# Another account's folder where the socket would go: in a private view of
# that folder (and of /run/user), so that nothing else on the machine is
# touched and the build, wherever it lies, stays in sight.
if [ "$uid" = 0 ] && unshare -m true 2>/dev/null; then
  mkdir -p -m 700 /tmp/mcr-swipe-0
  mkdir -p "$work/appdata"
  unshare -m bash -c '
    mount -t tmpfs -o mode=700,uid=65534 none /tmp/mcr-swipe-0 &&
      { [ ! -d /run/user ] || mount -t tmpfs none /run/user; } &&
      MCR_COMMON_APPDATA=$0 exec "$@"' "$work/appdata" "$host" open "$library" "$delay" 1 2 >"$work/out.nosocket" 2>&1
  grep -q '^opened' "$work/out.nosocket" || fail "without a place for its socket the window did not open: $(cat "$work/out.nosocket")"
else
  echo "skipped: the window without a place for its socket (needs root and a private mount namespace)"
fi
[ "$failed" = 0 ] && echo "window test passed"
exit $((failed > 0))
