#!/bin/sh
# Regenerates entw.ico from entw.svg after the drawing changes.
# Needs librsvg2-bin and icoutils. The small sizes are stored as bitmaps,
# which every Windows shell reads; 256 px is stored as PNG to keep the file small.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 24 32 48 64 256; do
  rsvg-convert --width=$size --height=$size entw.svg --output="$work/$size.png"
done
icotool --create --output=entw.ico \
  "$work/16.png" "$work/24.png" "$work/32.png" "$work/48.png" "$work/64.png" \
  --raw="$work/256.png"
