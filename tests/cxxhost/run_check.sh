#!/usr/bin/env bash
# The interface checks, with the log in a folder of the run's own.
#   run_check.sh CXX_HOST LIBRARY
set -euo pipefail
appdata=$(mktemp -d)
trap 'rm -rf "$appdata"' EXIT
MCR_COMMON_APPDATA=$appdata "$1" check "$2"
