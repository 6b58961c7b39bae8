"""Tesselox: a nearest-neighbour copy of a rectangle of an image into a rectangle of another.

One call crops, scales, mirrors and places the result on a canvas, in one pass over memory:
see help(tesselox.copy).
"""

from ._tesselox import __version__, copy

__all__ = ["copy", "__version__"]
