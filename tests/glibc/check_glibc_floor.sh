#!/usr/bin/env bash
# Lists every glibc symbol version a shared object asks for and fails when one
# is newer than the floor, naming the symbols that need it.
#   check_glibc_floor.sh OBJDUMP FLOOR LIBRARY...
set -euo pipefail
objdump=$1 floor=$2
shift 2
status=0
for library in "$@"; do
  table=$("$objdump" -T "$library")
  echo "$library:"
  grep -o 'GLIBC_[0-9.]*' <<<"$table" | sort -V | uniq -c
  while read -r version; do
    newest=$(printf '%s\n%s\n' "$floor" "$version" | sort -V | tail -n 1)
    if [ "$newest" != "$floor" ]; then
      echo "FAIL: GLIBC_$version is above the floor $floor:"
      grep "(GLIBC_$version)" <<<"$table" | awk '{ print "  " $NF }'
      status=1
    fi
  done < <(grep -o 'GLIBC_[0-9.]*' <<<"$table" | sed 's/GLIBC_//' | sort -uV)
  [ -n "$(grep -o 'GLIBC_[0-9.]*' <<<"$table")" ] || { echo "FAIL: no versioned glibc symbol listed"; status=1; }
done
exit $status
