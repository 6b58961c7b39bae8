#!/usr/bin/env bash
# The element against GStreamer's own elements doing the same job, byte for byte, on frames
# decoded from a real file: 1:1 crops, mirrors and 2x/3x enlargements, each on a canvas or not,
# in RGBA and in 10-bit Y444.
#
#   end_to_end.sh PLUGIN_DIR WORK_DIR
#
# The chain: videocrop, videoflip, videoscale (nearest-neighbour; without dither, which would
# change 10-bit samples), and compositor for the canvas (transparent in RGBA; black in Y444,
# limited range as the decoded caps say). Needs ffmpeg and gst-launch-1.0.
set -euo pipefail
plugins=$1 work=$2
mkdir -p "$work"
export GST_PLUGIN_PATH=$plugins GST_REGISTRY=$work/registry.bin
input=$work/input.mkv
# A lossless 10-bit 4:4:4 file, so that both formats come from the decoder's exact output.
[ -s "$input" ] || ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=25 \
  -frames:v 4 -c:v ffv1 -pix_fmt yuv444p10le -y "$input"

# name | tesselox properties | cropping, flipping and scaling | canvas: x y width height
cases=(
  "crop_1to1|src-x=40 src-y=30 src-cx=160 src-cy=120 dst-x=100 dst-y=60 dst-cx=160 dst-cy=120|videocrop left=40 top=30 right=120 bottom=90|100 60 320 240"
  "mirror_x|src-x=319 src-cx=-320|videoflip video-direction=horiz|"
  "mirror_xy_crop|src-x=199 src-y=149 src-cx=-160 src-cy=-120 width=160 height=120|videocrop left=40 top=30 right=120 bottom=90 ! videoflip video-direction=180|"
  "up_2x_canvas|src-x=40 src-y=30 src-cx=160 src-cy=120 dst-x=20 dst-y=10 dst-cx=320 dst-cy=240 width=360 height=260|videocrop left=40 top=30 right=120 bottom=90 ! videoscale method=nearest-neighbour dither=none ! video/x-raw,width=320,height=240|20 10 360 260"
  "up_3x_mirror|src-x=139 src-y=50 src-cx=-100 src-cy=60 width=300 height=180|videocrop left=40 top=50 right=180 bottom=130 ! videoflip video-direction=horiz ! videoscale method=nearest-neighbour dither=none ! video/x-raw,width=300,height=180|"
)

run() {  # format, elements, output
  # shellcheck disable=SC2086  # the elements are words for gst-launch
  gst-launch-1.0 -q filesrc location="$input" ! decodebin ! videoconvert ! \
    "video/x-raw,format=$1" ! $2 ! filesink location="$3"
}

failed=0
for format in RGBA Y444_10LE; do
  background=black
  [ "$format" = RGBA ] && background=transparent
  for row in "${cases[@]}"; do
    IFS='|' read -r name properties chain canvas <<<"$row"
    if [ -n "$canvas" ]; then
      read -r x y w h <<<"$canvas"
      chain+=" ! compositor background=$background sink_0::xpos=$x sink_0::ypos=$y"
      chain+=" ! video/x-raw,format=$format,width=$w,height=$h"
    fi
    ours=$work/$name-$format.tesselox chain_out=$work/$name-$format.chain
    run "$format" "tesselox $properties" "$ours"
    run "$format" "$chain" "$chain_out"
    if [ -s "$ours" ] && cmp -s "$ours" "$chain_out"; then
      echo "ok   $format $name ($(stat -c %s "$ours") bytes)"
    else
      echo "FAIL $format $name: $(cmp "$ours" "$chain_out" 2>&1 | head -n 1)"
      failed=$((failed + 1))
    fi
  done
done
exit $((failed > 0))
