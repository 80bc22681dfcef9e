#!/usr/bin/env bash
# Draws icon 2 of the program, a contact card reader with a chip card in its
# slot, and writes src/resources/demo.ico with 16, 32 and 48 pixel images.
# Needs ImageMagick 6 (convert). The output is committed; run this again only
# to change the artwork.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/src/resources/demo.ico}
CONVERT=${CONVERT:-convert}
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# The artwork on a 192x192 canvas (4 times the largest image).
"$CONVERT" -size 192x192 xc:none \
  -fill '#1d5fb8' -stroke '#0d2f66' -strokewidth 4 -draw 'roundrectangle 50,6 142,118 10,10' \
  -stroke none -fill '#4d8fe0' -draw 'rectangle 56,12 136,22' \
  -fill '#e8b530' -stroke '#8a6210' -strokewidth 3 -draw 'roundrectangle 66,32 104,62 5,5' \
  -stroke '#8a6210' -strokewidth 3 -draw 'line 85,32 85,62' -draw 'line 66,47 104,47' \
  -stroke none -fill '#2e3a46' -draw 'roundrectangle 14,84 178,182 16,16' \
  -fill '#56636f' -draw 'roundrectangle 14,84 178,120 16,16' \
  -fill '#46525e' -draw 'rectangle 14,108 178,120' \
  -fill '#10161c' -draw 'roundrectangle 38,92 154,102 4,4' \
  -fill '#1d5fb8' -draw 'rectangle 50,88 142,97' \
  -fill '#9fd8a0' -stroke '#1b2a1c' -strokewidth 3 -draw 'rectangle 34,134 118,164' \
  -stroke none -fill '#2f6a32' -draw 'rectangle 42,142 62,156' -draw 'rectangle 68,142 88,156' \
  -draw 'rectangle 94,142 110,156' \
  -fill '#3ce04a' -stroke '#0f4d15' -strokewidth 3 -draw 'circle 152,148 152,138' \
  "$TMP/art.png"

for s in 48 32 16; do
  "$CONVERT" "$TMP/art.png" -filter Lanczos -resize ${s}x${s} -unsharp 0x0.6 "PNG32:$TMP/icon$s.png"
done
"$CONVERT" "$TMP/icon16.png" "$TMP/icon32.png" "$TMP/icon48.png" "$OUT"
echo "wrote $OUT"
