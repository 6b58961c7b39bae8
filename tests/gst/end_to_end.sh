#!/usr/bin/env bash
# The element against GStreamer's own elements doing the same job, byte for byte, on frames
# decoded from a real file: 1:1 crops (odd corners too), mirrors (odd widths too) and 2x/3x
# enlargements, each on a canvas or not, in RGBA, 10-bit Y444, I420, NV12 and YUY2.
#
#   end_to_end.sh PLUGIN_DIR WORK_DIR
#
# The chain: videocrop, videoflip, videoscale (nearest-neighbour; without dither, which would
# change 10-bit samples), and compositor for the canvas (transparent in RGBA; black in Y444,
# limited range as the decoded caps say), or videobox. Needs ffmpeg and gst-launch-1.0.
# Where GStreamer's elements define no result the last field leaves the format out (videobox
# takes no NV12). In YUY2 of an odd width the last pixel's pair is half a pair: videocrop sets
# its V to 0, a colour no source pixel has, where tesselox gives that pixel its source pair's U
# and V, so that byte (and the missing luma) is not compared; videoflip, mirroring it, moves
# that 0 into the first pair, so it is left out there.
set -euo pipefail
plugins=$1 work=$2
mkdir -p "$work"
export GST_PLUGIN_PATH=$plugins GST_REGISTRY=$work/registry.bin
input=$work/input.mkv
# A lossless 10-bit 4:4:4 file, so that both formats come from the decoder's exact output.
[ -s "$input" ] || ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=25 \
  -frames:v 4 -c:v ffv1 -pix_fmt yuv444p10le -y "$input"

# name | tesselox properties | cropping, flipping and scaling | canvas: x y width height |
# formats left out
cases=(
  "crop_1to1|src-x=40 src-y=30 src-cx=160 src-cy=120 dst-x=100 dst-y=60 dst-cx=160 dst-cy=120|videocrop left=40 top=30 right=120 bottom=90|100 60 320 240"
  "mirror_x|src-x=319 src-cx=-320|videoflip video-direction=horiz|"
  "mirror_xy_crop|src-x=199 src-y=149 src-cx=-160 src-cy=-120 width=160 height=120|videocrop left=40 top=30 right=120 bottom=90 ! videoflip video-direction=180|"
  "up_2x_canvas|src-x=40 src-y=30 src-cx=160 src-cy=120 dst-x=20 dst-y=10 dst-cx=320 dst-cy=240 width=360 height=260|videocrop left=40 top=30 right=120 bottom=90 ! videoscale method=nearest-neighbour dither=none ! video/x-raw,width=320,height=240|20 10 360 260"
  "up_3x_mirror|src-x=139 src-y=50 src-cx=-100 src-cy=60 width=300 height=180|videocrop left=40 top=50 right=180 bottom=130 ! videoflip video-direction=horiz ! videoscale method=nearest-neighbour dither=none ! video/x-raw,width=300,height=180|"
  "crop_odd|src-x=41 src-y=31 src-cx=161 src-cy=121 width=161 height=121|videocrop left=41 top=31 right=118 bottom=88|"
  "mirror_xy_odd_width|src-x=200 src-y=150 src-cx=-161 src-cy=-121 width=161 height=121|videocrop left=40 top=30 right=119 bottom=89 ! videoflip video-direction=180||YUY2"
  "box_even|src-x=40 src-y=30 src-cx=160 src-cy=120 dst-x=20 dst-y=10 dst-cx=160 dst-cy=120 width=200 height=140|videocrop left=40 top=30 right=120 bottom=90 ! videobox left=-20 right=-20 top=-10 bottom=-10 border-alpha=0||NV12 RGBA Y444_10LE"
)

run() {  # format, elements, output
  # shellcheck disable=SC2086  # the elements are words for gst-launch
  gst-launch-1.0 -q filesrc location="$input" ! decodebin ! videoconvert ! \
    "video/x-raw,format=$1" ! $2 ! filesink location="$3"
}

# True when two files of raw frames (format width height a b, as GStreamer lays them out) hold
# the same pixels: the two sides may leave rows' padding (and I420's odd row out) differently.
same_pixels() {
  python3 - "$@" <<'PYTHON'
import sys
f, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
a, b = (open(name, "rb").read() for name in sys.argv[4:6])
up = lambda v, n: -(-v // n) * n
c, ch, y = up(w, 2) // 2, up(h, 2) // 2, (up(w, 4), w, h, up(h, 2))
planes = {"RGBA": [(4 * w, 4 * w, h, h)], "Y444_10LE": [(up(2 * w, 4), 2 * w, h, h)] * 3,  # stride,
          "I420": [y] + [(up(c, 4), c, ch, ch)] * 2, "NV12": [y, (up(w, 4), 2 * c, ch, ch)],  # bytes,
          "YUY2": [(up(4 * c, 4), 2 * w, h, h)]}[f]  # rows, rows held
rows, at = [], 0
for stride, used, count, held in planes:
    rows, at = rows + [(at + r * stride, used) for r in range(count)], at + stride * held
n = len(a) // at
sys.exit(not n or len(a) != len(b) or any(a[k:k + u] != b[k:k + u] for i in range(n) for o, u in rows for k in [i * at + o]))
PYTHON
}

failed=0
for format in RGBA Y444_10LE I420 NV12 YUY2; do
  background=black
  [ "$format" = RGBA ] && background=transparent
  for row in "${cases[@]}"; do
    IFS='|' read -r name properties chain canvas skip <<<"$row"
    [[ " $skip " == *" $format "* ]] && continue
    if [ -n "$canvas" ]; then
      read -r x y w h <<<"$canvas"
      chain+=" ! compositor background=$background sink_0::xpos=$x sink_0::ypos=$y"
      chain+=" ! video/x-raw,format=$format,width=$w,height=$h"
    fi
    ours=$work/$name-$format.tesselox chain_out=$work/$name-$format.chain
    run "$format" "tesselox $properties" "$ours"
    run "$format" "$chain" "$chain_out"
    w=$(grep -oP '(^| )width=\K[0-9]+' <<<"$properties" || echo 320)
    h=$(grep -oP '(^| )height=\K[0-9]+' <<<"$properties" || echo 240)
    if same_pixels "$format" "$w" "$h" "$ours" "$chain_out"; then
      echo "ok   $format $name ($(stat -c %s "$ours") bytes)"
    else
      echo "FAIL $format $name: $(cmp "$ours" "$chain_out" 2>&1 | head -n 1)"
      failed=$((failed + 1))
    fi
  done
done
exit $((failed > 0))
