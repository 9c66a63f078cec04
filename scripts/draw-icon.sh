#!/bin/bash
# Draws the program's icon, app/testz.ico (ImageMagick): a chip with a pause sign on it, the processor
# halted. Run by hand after changing the drawing; the build uses the committed file.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
out=app/testz.ico
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pins=""
for c in 84 128 172; do
  pins+="rectangle $((c-14)),20 $((c+14)),60 rectangle $((c-14)),196 $((c+14)),236 "
  pins+="rectangle 20,$((c-14)) 60,$((c+14)) rectangle 196,$((c-14)) 236,$((c+14)) "
done
convert -size 256x256 xc:none \
  -fill '#c9d1d9' -stroke '#5b6570' -strokewidth 4 -draw "$pins" \
  -fill '#243240' -stroke '#4a6076' -strokewidth 6 -draw "roundrectangle 46,46 210,210 18,18" \
  -fill '#4a6076' -stroke none -draw "circle 74,74 74,84" \
  -fill '#f2b632' -stroke '#8a5a00' -strokewidth 4 \
  -draw "roundrectangle 92,86 120,170 6,6 roundrectangle 136,86 164,170 6,6" \
  "$work/256.png"
for size in 64 48 32; do
  convert "$work/256.png" -resize "${size}x${size}" "$work/$size.png"
done
# The two smallest sizes are drawn pixel by pixel: scaled down, the pins and the bars would blur.
convert -size 24x24 xc:none +antialias \
  -fill '#8f99a3' -draw "rectangle 6,0 7,2 rectangle 11,0 12,2 rectangle 16,0 17,2" \
  -draw "rectangle 6,21 7,23 rectangle 11,21 12,23 rectangle 16,21 17,23" \
  -draw "rectangle 0,6 2,7 rectangle 0,11 2,12 rectangle 0,16 2,17" \
  -draw "rectangle 21,6 23,7 rectangle 21,11 23,12 rectangle 21,16 23,17" \
  -fill '#4a6076' -draw "rectangle 3,3 20,20" -fill '#243240' -draw "rectangle 4,4 19,19" \
  -fill '#4a6076' -draw "point 6,6" \
  -fill '#f2b632' -draw "rectangle 8,7 10,16 rectangle 13,7 15,16" \
  "$work/24.png"
convert -size 16x16 xc:none +antialias \
  -fill '#8f99a3' -draw "rectangle 4,0 5,1 rectangle 7,0 8,1 rectangle 10,0 11,1" \
  -draw "rectangle 4,14 5,15 rectangle 7,14 8,15 rectangle 10,14 11,15" \
  -draw "rectangle 0,4 1,5 rectangle 0,7 1,8 rectangle 0,10 1,11" \
  -draw "rectangle 14,4 15,5 rectangle 14,7 15,8 rectangle 14,10 15,11" \
  -fill '#243240' -draw "rectangle 2,2 13,13" \
  -fill '#f2b632' -draw "rectangle 5,5 6,10 rectangle 9,5 10,10" \
  "$work/16.png"
convert "$work/256.png" "$work/64.png" "$work/48.png" "$work/32.png" "$work/24.png" \
  "$work/16.png" -depth 8 -define png:exclude-chunks=date,time "$out"
