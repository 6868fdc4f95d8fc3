"""Small image helpers shared by the texture generators: writing 8-bit and 16-bit
PNG files, and laying six cube faces out as one 4 x 3 cross image. Arrays are
indexed [row, column] with row 0 the picture's top edge."""

import os

import numpy as np
from PIL import Image

# Cell (column, row) of each cube face in the cross image, faces in the order
# +X, -X, +Y, -Y, +Z, -Z; row 0 is the top row of cells.
CROSS_CELLS = [(2, 1), (0, 1), (1, 0), (1, 2), (1, 1), (3, 1)]


def ensure_dir(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)


def to_bytes(a):
    """Float array in 0..1 (or already 0..255 integers) to uint8, rounded and clamped."""
    a = np.asarray(a)
    if a.dtype == np.uint8:
        return a
    return np.clip(np.rint(a * 255.0), 0, 255).astype(np.uint8)


def save_png(path, a):
    """Saves an [h, w] (grey), [h, w, 3] (RGB) or [h, w, 4] (RGBA) array as PNG."""
    ensure_dir(path)
    Image.fromarray(to_bytes(a)).save(path, optimize=False)


def save_jpg(path, a, quality=92):
    ensure_dir(path)
    Image.fromarray(to_bytes(a)).convert("RGB").save(path, quality=quality)


def save_png16(path, values):
    """Saves an [h, w] array of integers 0..65535 as a 16-bit grey PNG."""
    ensure_dir(path)
    v = np.asarray(values)
    if v.min() < 0 or v.max() > 65535:
        raise ValueError("16-bit values out of range")
    Image.fromarray(v.astype(np.uint16), mode="I;16").save(path)


def cube_cross(faces):
    """The six equal square faces (in +X, -X, +Y, -Y, +Z, -Z order) as one cross
    image of 4 x 3 cells; unused cells are black."""
    size = faces[0].shape[0]
    shape = (3 * size, 4 * size) + faces[0].shape[2:]
    cross = np.zeros(shape, dtype=faces[0].dtype)
    for face, (column, row) in zip(faces, CROSS_CELLS):
        if face.shape[:2] != (size, size):
            raise ValueError("cube faces must be square and of one size")
        cross[row * size:(row + 1) * size, column * size:(column + 1) * size] = face
    return cross


def radial(size, power=1.0):
    """[size, size] array of the distance from the centre, 0 there and 1 at the
    middle of each edge, raised to `power`."""
    c = (size - 1) / 2.0
    y, x = np.mgrid[0:size, 0:size].astype(np.float64)
    return (np.hypot(x - c, y - c) / c) ** power
