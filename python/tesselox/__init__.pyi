from typing import Literal, Optional, Sequence, SupportsIndex, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: str

_Rect = Tuple[SupportsIndex, SupportsIndex, SupportsIndex, SupportsIndex]
_Fill = Union[float, Sequence[float], npt.ArrayLike, None]

def copy(
    src: np.ndarray,
    size: Optional[Tuple[SupportsIndex, SupportsIndex]] = None,
    *,
    src_rect: Optional[_Rect] = None,
    dst_rect: Optional[_Rect] = None,
    phase: Tuple[SupportsIndex, SupportsIndex] = (0, 0),
    fill: _Fill = 0,
    out: Optional[np.ndarray] = None,
    fit: Literal["none", "stretch", "contain", "cover", "integer"] = "none",
    sampling: Literal["edge", "center"] = "edge",
) -> np.ndarray:
    """Copies a rectangle of src, nearest-neighbour, into a rectangle of an output array.

    src: (height, width) or (height, width, channels), pixels of 1, 2, 3, 4, 6 or 8 bytes, read
    in place. size: (width, height) of a new output (default: src's), or out: an array to draw
    into. src_rect, dst_rect: (x, y, cx, cy), a negative extent mirrors. phase: (px, py) in output
    pixels. fill: the value outside the copy (None leaves out's pixels). fit: "none", "stretch",
    "contain", "cover" or "integer" places src_rect in the output itself. sampling: "edge" (phase
    as given) or "center" (each pixel takes the source pixel under its centre). Returns the output.
    Raises ValueError for bad arguments.
    """
