"""tesselox.copy against OpenCV's fastest equivalent chains, one thread, on 1080p uint8 frames:
medians of many runs, each pair measured alternately in the same run. Every chain is checked to
give the same pixels first. Prints a table of ratios (OpenCV time / tesselox time)."""

import statistics
import sys
import time

import cv2
import numpy as np
import tesselox


def median_seconds(call, repeats, inner):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        for _ in range(inner):
            call()
        times.append((time.perf_counter() - start) / inner)
    return statistics.median(times)


def crop_scale(src):
    ours = lambda: tesselox.copy(src, (640, 360), src_rect=(240, 0, 1440, 1080))
    theirs = lambda: cv2.resize(src[:, 240:1680], (640, 360), interpolation=cv2.INTER_NEAREST)
    return ours, theirs


def crop_mirror_scale_canvas(src):
    # The crop mirrored, shrunk to 1280 x 960 and placed at (320, 60) on a black frame.
    ours = lambda: tesselox.copy(src, (1920, 1080), src_rect=(1679, 0, -1440, 1080),
                                 dst_rect=(320, 60, 1280, 960))

    def theirs():
        canvas = np.zeros_like(src)
        # Mirroring before the resize samples the same pixels as the mirrored copy.
        canvas[60:1020, 320:1600] = cv2.resize(cv2.flip(src[:, 240:1680], 1), (1280, 960),
                                               interpolation=cv2.INTER_NEAREST)
        return canvas

    return ours, theirs


def main():
    cv2.setNumThreads(1)
    rng = np.random.default_rng(7)
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), "unknown processor")
    print(f"== Python {sys.version.split()[0]}, numpy {np.__version__}, OpenCV {cv2.__version__},"
          f" tesselox {tesselox.__version__}: {cpu}, one thread")
    print(f"{'case':<34} {'tesselox ms':>12} {'OpenCV ms':>10} {'OpenCV / tesselox':>18}")
    for channels in (3, 4):
        src = rng.integers(0, 256, (1080, 1920, channels), np.uint8)
        for name, make in [("crop + scale", crop_scale),
                           ("crop + mirror + scale on a canvas", crop_mirror_scale_canvas)]:
            ours, theirs = make(src)
            np.testing.assert_array_equal(ours(), theirs())
            a = median_seconds(ours, 31, 5)
            b = median_seconds(theirs, 31, 5)
            print(f"{name + (' RGB' if channels == 3 else ' RGBA'):<34} {a * 1e3:>12.3f}"
                  f" {b * 1e3:>10.3f} {b / a:>18.2f}")
    small = rng.integers(0, 256, (32, 32, 3), np.uint8)
    overhead = median_seconds(lambda: tesselox.copy(small), 31, 2000)
    print(f"call on a 32 x 32 RGB array: {overhead * 1e6:.2f} us")


if __name__ == "__main__":
    main()
