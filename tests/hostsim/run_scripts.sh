#!/usr/bin/env bash
# Runs hostsim scripts in one process (a process start under Wine is the
# expensive part) and checks the output against the expectations written in
# the scripts themselves, as comments hostsim skips:
#   #> TEXT    the output of the command above contains TEXT
#   #! TEXT    the output of the command above does not contain TEXT
#   #exit N    hostsim's exit code (default 0; scripts of one run must agree)
#   #run VERB ARGS...   run this hostsim verb instead of the script (a script
#               of its own in the run; its expectations apply to the whole output)
#   #skip-if-emulated REASON   the script's 32-bit run is not made where 32-bit
#               code runs under CPU emulation: it reports itself skipped with
#               REASON (exit code 77)
# Before the first command, #> and #! apply to the script's whole part of the
# output (from "== NAME" to "== end NAME") and to the run's closing report.
# A script that reaches skip-if-emulated under CPU emulation is checked only
# up to there, and the note says so.
#   run_scripts.sh WINE_RUN ARCH HOSTSIM DLL SCRIPT...
# WINE_RUN "-" runs a native hostsim (Linux) directly.
set -uo pipefail
wine_run=$1 arch=$2 hostsim=$3 dll=$4
shift 4
scripts=("$@")
tools=$(cd "$(dirname "$0")/../../scripts" && pwd)
run_hostsim() {
  if [ "$wine_run" = "-" ]; then "$hostsim" "$dll" "$@"; else "$wine_run" "$arch" "$hostsim" "$dll" "$@"; fi
}

want_exit=
for script in "${scripts[@]}"; do
  code=$(sed -n 's/^#exit \([0-9][0-9]*\)$/\1/p' "$script" | tail -n 1)
  code=${code:-0}
  if [ -n "$want_exit" ] && [ "$want_exit" != "$code" ]; then
    echo "run_scripts: scripts of one run expect different exit codes" >&2
    exit 2
  fi
  want_exit=$code
done

skip_reason=$(sed -n 's/^#skip-if-emulated //p' "${scripts[@]}" | head -n 1)
if [ "$arch" = win32 ] && [ -n "$skip_reason" ] && "$tools/emulated-cpu"; then
  echo "skipped: 32-bit code runs under CPU emulation here: $skip_reason"
  exit 77
fi

# The component creates its window with each object, so the run needs an X
# display: the caller's, or a virtual one for this run.
if [ -z "${DISPLAY:-}" ]; then
  exec "$tools/with-display" "$0" "$wine_run" "$arch" "$hostsim" "$dll" "${scripts[@]}"
fi
out=$(mktemp)
appdata=
trap 'rm -rf "$out" $appdata' EXIT
# A native component writes its log under MCR_COMMON_APPDATA when set; the
# test's log goes to a folder of its own, not the machine's.
if [ "$wine_run" = "-" ] && [ -z "${MCR_COMMON_APPDATA:-}" ]; then
  appdata=$(mktemp -d)
  export MCR_COMMON_APPDATA=$appdata
fi
verb=(script "${scripts[@]}")
run_line=$(sed -n 's/^#run //p' "${scripts[0]}" | head -n 1)
if [ -n "$run_line" ]; then
  [ "${#scripts[@]}" -eq 1 ] || { echo "run_scripts: a #run script runs alone" >&2; exit 2; }
  read -r -a verb <<<"$run_line"
fi
run_hostsim "${verb[@]}" >"$out" 2>&1
got_exit=$?
cat "$out"
echo "----"

failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

[ "$got_exit" = "$want_exit" ] || fail "hostsim exited with $got_exit, expected $want_exit"

# The lines printed for one script, and the closing report after the last one.
section() {
  awk -v head="== $1" -v tail="== end $1:" '
    $0 == head { on = 1 }
    on { print }
    index($0, tail) == 1 { on = 0 }
    index($0, "== end ") == 1 { report = "" ; next }
    { report = report $0 "\n" }
    END { printf "%s", report }' "$out"
}

# The lines printed for one command: from its echo to the next echo or unit marker.
block() {
  awk -v head="> $1:$2: " '
    index($0, head) == 1 { on = 1; print; next }
    on && (index($0, "> ") == 1 || index($0, "== ") == 1) { exit }
    on { print }' "$out"
}

for script in "${scripts[@]}"; do
  unit=$(basename "$script")
  skipped_at=
  if [ -n "$run_line" ]; then
    :
  elif grep -q "^== $unit\$" "$out"; then
    skip_line=$(section "$unit" | awk -v unit="$unit" '
      index($0, "> " unit ":") == 1 { split(substr($0, length(unit) + 4), p, ":"); last = p[1] }
      index($0, "== end ") == 1 { exit }
      /^  skipped under CPU emulation/ { print last; exit }')
    [ -n "$skip_line" ] && skipped_at=$skip_line
  else
    fail "$unit: hostsim did not run it"
    continue
  fi
  command_line=
  checked=0
  number=0
  while IFS= read -r line || [ -n "$line" ]; do
    number=$((number + 1))
    trimmed=${line#"${line%%[![:space:]]*}"}
    case $trimmed in
      '#> '* | '#! '*)
        want=${trimmed:3}
        if [ -n "$skipped_at" ] && [ -n "$command_line" ] && [ "$command_line" -gt "$skipped_at" ]; then
          continue
        fi
        if [ -n "$run_line" ]; then
          text=$(cat "$out")
          where="the whole output"
        elif [ -z "$command_line" ]; then
          text=$(section "$unit")
          where="$unit's output and the closing report"
        else
          text=$(block "$unit" "$command_line")
          where="$unit:$command_line"
        fi
        checked=$((checked + 1))
        if [ "${trimmed:0:2}" = '#>' ]; then
          grep -qF -- "$want" <<<"$text" || fail "$unit:$number: $where lacks: $want"
        else
          ! grep -qF -- "$want" <<<"$text" || fail "$unit:$number: $where has: $want"
        fi
        ;;
      '' | '#'*) ;;
      *) command_line=$number ;;
    esac
  done <"$script"
  if [ "$checked" -eq 0 ] && [ -z "$skipped_at" ]; then
    fail "$unit: no expectations (#> or #!) in it"
  fi
  if [ -n "$skipped_at" ]; then
    echo "NOTE: $unit: checked up to line $skipped_at; the rest is skipped under CPU emulation ($arch)"
  fi
  echo "$unit: $checked expectations checked"
done

if [ "$failed" -gt 0 ]; then
  echo "$failed expectations failed"
  exit 1
fi
echo "all expectations met"
