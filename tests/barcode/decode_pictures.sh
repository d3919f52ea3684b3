#!/usr/bin/env bash
# Hands every picture captured from the screen (PICTURE_DIR/*.pgm) to both
# Data Matrix readers and compares the bytes read with the bytes the picture
# was made from (the .bytes file beside it). Fails when no picture is there.
#   decode_pictures.sh PICTURE_DIR DMTXREAD ZXINGREADER
set -uo pipefail
pictures=$1 dmtxread=$2 zxingreader=$3

status=0
count=0
for picture in "$pictures"/*.pgm; do
  [ -e "$picture" ] || continue
  expected=${picture%.pgm}.bytes
  count=$((count + 1))
  for reader in dmtx zxing; do
    if [ "$reader" = dmtx ]; then
      read=$({ "$dmtxread" -N1 -m 20000 "$picture" || true; } | od -An -tx1 | tr -d ' \n')
    else
      read=$({ "$zxingreader" -format DataMatrix -bytes "$picture" || true; } | od -An -tx1 | tr -d ' \n')
    fi
    want=$(od -An -tx1 <"$expected" | tr -d ' \n')
    if [ -n "$want" ] && [ "$read" = "$want" ]; then
      echo "decoded $(basename "$picture") with $reader"
    else
      echo "FAILED: $(basename "$picture") with $reader read '$read', expected '$want'" >&2
      status=1
    fi
  done
done
if [ "$count" -eq 0 ]; then
  echo "FAILED: no picture was captured" >&2
  status=1
fi
exit $status
