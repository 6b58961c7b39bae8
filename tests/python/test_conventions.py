"""Which nearest-neighbour rule each library follows, byte for byte over one table of sizes: edge
sampling (pixel i takes floor(i * n / d)) or centre (floor((i + 1/2) * n / d)), as tesselox.copy's
sampling= gives them, or, where it follows neither, the first pixel that differs, as the README
lists it. Images coded by column and by row, so that a wrong column or row shows."""

import os
import shutil
import subprocess

import numpy as np
import pytest
import tesselox

# (source width, height, output width, height): whole and odd enlargements and shrinks, 1-pixel
# sides, and a shrink whose centres fall on pixel edges.
SIZES = [(7, 5, 21, 10), (7, 5, 17, 13), (40, 30, 10, 10), (37, 29, 11, 13), (20, 14, 10, 7),
         (1, 5, 9, 3), (13, 1, 4, 7), (5, 5, 1, 1), (3, 7, 2, 3), (100, 1, 3, 1)]


def _opencv(flag):
    cv2 = pytest.importorskip("cv2")
    return lambda a, w, h: cv2.resize(a, (w, h), interpolation=getattr(cv2, flag))


def _pillow(a, w, h):
    image = pytest.importorskip("PIL.Image")
    return np.asarray(image.fromarray(a).resize((w, h), image.NEAREST))


def _run(data, *command):
    if shutil.which(command[0]) is None:
        pytest.skip(command[0] + " is not installed")
    return subprocess.run(command, input=data, capture_output=True, check=True).stdout


def _ffmpeg(a, w, h):
    out = _run(a.tobytes(), "ffmpeg", "-v", "error", "-f", "rawvideo", "-pix_fmt", "gray", "-s",
               f"{a.shape[1]}x{a.shape[0]}", "-i", "-", "-vf", f"scale={w}:{h}:flags=neighbor",
               "-f", "rawvideo", "-pix_fmt", "gray", "-")
    return np.frombuffer(out, np.uint8).reshape(h, w)


def _gstreamer(element):
    def scale(a, w, h):
        pad = lambda n: (n + 3) & ~3  # GRAY8 rows are padded to 4 bytes
        rows = np.zeros((a.shape[0], pad(a.shape[1])), np.uint8)
        rows[:, :a.shape[1]] = a
        out = _run(rows.tobytes(), "gst-launch-1.0", "-q", "fdsrc", "!", "rawvideoparse",
                   "format=gray8", f"width={a.shape[1]}", f"height={a.shape[0]}", "!",
                   *element.split(), "!", f"video/x-raw,width={w},height={h},pixel-aspect-ratio=1/1",
                   "!", "fdsink")
        return np.frombuffer(out, np.uint8).reshape(h, pad(w))[:, :w]
    return scale


# name: (scaling, the rule it follows, {size: {axis: index of the first pixel that differs}})
LIBRARIES = {
    "OpenCV INTER_NEAREST": (_opencv("INTER_NEAREST"), "edge", {}),
    "OpenCV INTER_NEAREST_EXACT": (_opencv("INTER_NEAREST_EXACT"), "center", {
        (40, 30, 10, 10): {"x": 0}, (20, 14, 10, 7): {"x": 0, "y": 0}, (100, 1, 3, 1): {"x": 1}}),
    "Pillow NEAREST": (_pillow, "center", {}),
    "ffmpeg scale=flags=neighbor": (_ffmpeg, "center", {(100, 1, 3, 1): {"x": 1}}),
    "GStreamer videoscale": (_gstreamer("videoscale method=nearest-neighbour add-borders=false"),
                             "center", {}),
    "tesselox element sampling=center": (_gstreamer("tesselox sampling=center"), "center", {}),
}


@pytest.mark.parametrize("size", SIZES, ids=lambda s: "%dx%d-%dx%d" % s)
@pytest.mark.parametrize("library", LIBRARIES)
def test_each_library_follows_its_listed_rule(library, size):
    scale, rule, differs = LIBRARIES[library]
    if library.startswith("tesselox") and "GST_PLUGIN_PATH" not in os.environ:
        pytest.skip("GST_PLUGIN_PATH does not name the built element")
    w, h, out_w, out_h = size
    for axis, coded in (("x", np.tile(np.arange(w, dtype=np.uint8), (h, 1))),
                        ("y", np.tile(np.arange(h, dtype=np.uint8)[:, None], (1, w)))):
        got, want = scale(coded, out_w, out_h), tesselox.copy(coded, (out_w, out_h), sampling=rule)
        if axis in differs.get(size, {}):
            mismatch = np.argwhere(got != want)
            assert len(mismatch) > 0, "now follows the rule: update the README's table"
            assert mismatch[0][int(axis == "x")] == differs[size][axis]
        else:
            np.testing.assert_array_equal(got, want)
