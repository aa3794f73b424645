#!/usr/bin/env bash
# Generates the pointer picture and the effect sounds into resources/ (run from anywhere).
# Needs ImageMagick (convert) and sox. Output is repeatable: no dither, no time stamps.
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/../.." && pwd)/resources}
mkdir -p "$out"

# Alternative pointer: a 24 x 24 arrow, tip at the top-left corner (the window's position),
# white with a dark outline so it shows on light and dark backgrounds.
convert -size 24x24 xc:none -fill white -stroke '#202020' -strokewidth 1.2 \
  -draw "polygon 1,1 1,19 6,15 9.5,22 12.5,20.5 9,13.5 15.5,13.5 1,1" \
  -strip -define png:exclude-chunks=date,time,tIME "PNG32:$out/pointer.png"

# Effect sounds: 44.1 kHz, 16 bit, mono.
tone() {  # file seconds synth-arguments...
  local file=$1 len=$2
  shift 2
  sox -R -D -n -r 44100 -b 16 -c 1 "$out/$file" synth "$len" "$@"
}
tone button_pressed.wav 0.045 sine 1400 fade q 0.002 0.045 0.03
tone button_released.wav 0.045 sine 950 fade q 0.002 0.045 0.03
tone key_pressed.wav 0.035 triangle 2100 fade q 0.001 0.035 0.025
tone key_released.wav 0.035 triangle 1600 fade q 0.001 0.035 0.025
tone fist_detected.wav 0.18 sine 520:780 fade q 0.01 0.18 0.08
tone screen_border_reached.wav 0.8 sine 220 tremolo 6 60 fade q 0.02 0.8 0.2
tone wheel_forward.wav 0.025 sine 1900 fade q 0.001 0.025 0.02
tone wheel_downward.wav 0.025 sine 1250 fade q 0.001 0.025 0.02
