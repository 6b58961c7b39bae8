"""tesselox.copy in Python: against a closed-form model, the equalities the README promises with
OpenCV and Pillow, the refusals, and threads."""

import threading

import numpy as np
import pytest
import tesselox


def axis_map(dst_size, src_size, corner, extent, s_corner, s_extent, phase):
    """Source line of every destination line, -1 where the copy does not draw: the drawn lines
    are those phase 0 draws; the phase shifts the fraction carried from the first drawn one;
    one line past the source image repeats its edge."""
    lines = np.full(dst_size, -1)
    dc, sc = abs(extent), abs(s_extent)
    if dc == 0 or sc == 0:
        return lines
    sign = 1 if s_extent > 0 else -1
    index = {at: (at - corner if extent > 0 else corner - at) for at in range(dst_size)}
    drawn = [at for at, i in index.items()
             if 0 <= i < dc and 0 <= s_corner + sign * (i * sc // dc) < src_size]
    if not drawn:
        return lines
    first = min(index[at] for at in drawn)
    r = (first + phase % dc) % dc * sc % dc
    for at in drawn:
        steps = first * sc // dc + (r + (index[at] - first) * sc) // dc
        lines[at] = min(max(s_corner + sign * steps, 0), src_size - 1)
    return lines


def model(src, shape, src_rect, dst_rect, phase, fill, out=None):
    h, w = shape
    expected = np.empty((h, w) + src.shape[2:], src.dtype) if out is None else out.copy()
    if fill is not None:
        expected[...] = fill
    xs = axis_map(w, src.shape[1], dst_rect[0], dst_rect[2], src_rect[0], src_rect[2], phase[0])
    ys = axis_map(h, src.shape[0], dst_rect[1], dst_rect[3], src_rect[1], src_rect[3], phase[1])
    for y in np.nonzero(ys >= 0)[0]:
        for x in np.nonzero(xs >= 0)[0]:
            expected[y, x] = src[ys[y], xs[x]]
    return expected


def pattern(h, w, channels, dtype):
    shape = (h, w) if channels == 0 else (h, w, channels)
    values = np.arange(np.prod(shape)) * 7919 % 251 + 1
    return values.reshape(shape).astype(dtype)


VIEWS = {  # how src is seen: every one is read in place
    "contiguous": lambda a: a,
    "rows reversed": lambda a: a[::-1],
    "columns reversed": lambda a: a[:, ::-1],
    "both reversed": lambda a: a[::-1, ::-1],
    "sliced": lambda a: a[2:-1, 1:-3],
    "every other row": lambda a: a[::2],
}

# dtype, channels (0: a 2-D array), view, size (w, h), src_rect, dst_rect, phase, fill
CASES = [
    (np.uint8, 0, "contiguous", (31, 17), None, None, (0, 0), 0),
    (np.uint8, 3, "rows reversed", (40, 9), (2, 1, 7, 5), (3, 2, 30, -6), (5, 2), (9, 8, 7)),
    (np.uint8, 4, "columns reversed", (13, 11), (11, 0, -12, 9), (1, 1, 11, 9), (3, 0), 255),
    (np.uint16, 0, "both reversed", (7, 5), (0, 0, 14, 10), (6, 4, -7, -5), (0, 0), 65535),
    (np.uint16, 3, "sliced", (25, 25), (-3, -2, 12, 9), (0, 0, 25, 25), (7, 11), (1, 2, 3)),
    (np.uint16, 4, "every other row", (9, 7), (4, 3, -5, -4), (8, 0, -9, 7), (-3, 4), 0),
    (np.float32, 0, "columns reversed", (50, 3), (0, 0, 16, 6), (-10, 0, 60, 3), (9, 1), 0.5),
    (np.float64, 0, "contiguous", (4, 4), (1, 1, 3, 3), (0, 0, 4, 4), (1, 1), -1.0),
    (np.int16, 0, "rows reversed", (16, 12), None, (2, 2, 12, 8), (0, 0), -7),
    (np.uint8, 2, "contiguous", (0, 3), None, None, (0, 0), 0),
]


@pytest.mark.parametrize("dtype, channels, view, size, src_rect, dst_rect, phase, fill", CASES)
@pytest.mark.parametrize("into", ["new", "out", "out without fill"])
def test_copy_matches_the_model(dtype, channels, view, size, src_rect, dst_rect, phase, fill,
                                into):
    src = VIEWS[view](pattern(18, 16, channels, dtype))
    src_rect = src_rect or (0, 0, src.shape[1], src.shape[0])
    dst_rect = dst_rect or (0, 0) + size
    shape = (size[1], size[0])
    kwargs = dict(src_rect=src_rect, dst_rect=dst_rect, phase=phase, fill=fill)
    if into == "new":
        got = tesselox.copy(src, size, **kwargs)
        expected = model(src, shape, src_rect, dst_rect, phase, fill)
    else:
        # A canvas with padded rows, stored right to left, so that out's strides matter too.
        canvas = pattern(shape[0], shape[1] + 5, channels, dtype)[:, : shape[1]][:, ::-1]
        if into == "out without fill":
            kwargs["fill"] = fill = None
        expected = model(src, shape, src_rect, dst_rect, phase, fill, out=canvas)
        got = tesselox.copy(src, out=canvas, **kwargs)
        assert got is canvas
    np.testing.assert_array_equal(got, expected)


def test_equalities_with_opencv_and_pillow():
    cv2 = pytest.importorskip("cv2")
    Image = pytest.importorskip("PIL.Image")
    for h, w, dh, dw in [(37, 53, 11, 29), (8, 8, 24, 40), (90, 160, 45, 80), (7, 3, 61, 1)]:
        src = pattern(h, w, 3, np.uint8)
        np.testing.assert_array_equal(  # left-edge sampling, as INTER_NEAREST
            tesselox.copy(src, (dw, dh)),
            cv2.resize(src, (dw, dh), interpolation=cv2.INTER_NEAREST))
        for code, rect in [(1, (w - 1, 0, -w, h)), (0, (0, h - 1, w, -h)),
                           (-1, (w - 1, h - 1, -w, -h))]:
            np.testing.assert_array_equal(tesselox.copy(src, src_rect=rect), cv2.flip(src, code))
        # Whole-number enlargements sample the same pixels at the edge and at the centre.
        np.testing.assert_array_equal(
            tesselox.copy(src, (3 * w, 2 * h)),
            np.asarray(Image.fromarray(src).resize((3 * w, 2 * h), Image.NEAREST)))


def test_fit_contain_letterboxes():
    src = pattern(4, 8, 3, np.uint8)
    # 8 x 4 in 8 x 8: full width, rows 2..5.
    np.testing.assert_array_equal(tesselox.copy(src, (8, 8), fit="contain"),
                                  model(src, (8, 8), (0, 0, 8, 4), (0, 2, 8, 4), (0, 0), 0))


BAD = [
    ("wrong dtype", lambda a: tesselox.copy(np.empty((4, 4), object)), "Python objects"),
    ("5 dimensions", lambda a: tesselox.copy(np.zeros((2,) * 5, np.uint8)), "2 or 3 dimensions"),
    ("5-byte pixels", lambda a: tesselox.copy(np.zeros((4, 4, 5), np.uint8)), "5 bytes"),
    ("columns in steps", lambda a: tesselox.copy(a[:, ::2]), "side by side"),
    ("read-only out", lambda a: tesselox.copy(a, out=_read_only(a)), "read-only"),
    ("out overlapping src", lambda a: tesselox.copy(a[:, :4], out=a[:, 2:6]), "share memory"),
    ("out of another dtype", lambda a: tesselox.copy(a, out=a.astype(np.uint16)), "same"),
    ("size and out", lambda a: tesselox.copy(a, (2, 2), out=a.copy()), "not both"),
    ("rect of 3", lambda a: tesselox.copy(a, src_rect=(1, 2, 3)), "4 integers"),
    ("rect past 32 bits", lambda a: tesselox.copy(a, dst_rect=(0, 0, 2**31, 1)), "32-bit"),
    ("negative size", lambda a: tesselox.copy(a, (-1, 4)), "negative"),
    ("fill past the dtype", lambda a: tesselox.copy(a, fill=256), "fill"),
    ("fill of 2 for 1 channel", lambda a: tesselox.copy(a, fill=(1, 2)), "fill"),
    ("unknown fit", lambda a: tesselox.copy(a, fit="fill"), "unknown fit .* contain"),
    ("unknown sampling", lambda a: tesselox.copy(a, sampling="centre"), "unknown sampling"),
]


def _read_only(a):
    out = np.zeros_like(a)
    out.setflags(write=False)
    return out


@pytest.mark.parametrize("what, call, message", BAD, ids=[b[0] for b in BAD])
def test_bad_input_raises_a_clear_error(what, call, message):
    with pytest.raises(ValueError, match=message):
        call(pattern(8, 8, 0, np.uint8))


def test_threads_copy_at_once():
    sources = [pattern(300 + k, 400, 4, np.uint8) for k in range(8)]
    alone = [tesselox.copy(s, (333, 222), src_rect=(399, 0, -400, 300)) for s in sources]
    results = [None] * len(sources)

    def work(k):
        for _ in range(20):
            results[k] = tesselox.copy(sources[k], (333, 222), src_rect=(399, 0, -400, 300))

    threads = [threading.Thread(target=work, args=(k,)) for k in range(len(sources))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for a, b in zip(alone, results):
        np.testing.assert_array_equal(a, b)
