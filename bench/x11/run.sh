#!/usr/bin/env bash
# The Linux window's benchmark on a virtual display with openbox.
#   bench/x11/run.sh BENCH_X11_WINDOW
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
MCR_COMMON_APPDATA=$work "$root/scripts/with-display" "$1"
