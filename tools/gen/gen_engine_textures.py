"""Textures that exercise the engine's loaders (assets/textures/engine/): a 16-bit
gradient height map with known values, one cube map both as six faces and as a
cross image, and a bump map with known slopes."""

import os
import sys

import numpy as np

import lib_image as li

ASSETS = sys.argv[1] if len(sys.argv) > 1 else "../../assets"
OUT = os.path.join(ASSETS, "textures", "engine")


def gradient16():
    """33 x 17 samples (rows of 66 bytes, not a multiple of 4): the value at picture
    row r, column c is (c * 17 + r) * 113, except the last sample of the last row,
    which is 65535."""
    r, c = np.mgrid[0:17, 0:33]
    values = (c * 17 + r) * 113
    values[16, 32] = 65535
    li.save_png16(os.path.join(OUT, "gradient16.png"), values)


def cube_faces():
    """Six 48 x 48 faces, each its own colour with a white mark in its top-left
    quarter and a grey one in its bottom-right, so mirrored or swapped faces show."""
    colors = [(200, 40, 40), (40, 200, 40), (40, 40, 200), (200, 200, 40), (200, 40, 200), (40, 200, 200)]
    size = 48
    faces = []
    for i, color in enumerate(colors):
        face = np.zeros((size, size, 3), dtype=np.uint8)
        face[:, :] = color
        face[4:16, 4:16] = (255, 255, 255)
        face[30:44, 30:44] = (90 + i * 20, 90 + i * 20, 90 + i * 20)
        faces.append(face)
    for letter, face in zip("EWTBSN", faces):
        li.save_png(os.path.join(OUT, "cube_%s.png" % letter), face)
    li.save_png(os.path.join(OUT, "cube_cross.png"), li.cube_cross(faces))


def bad_cube_images():
    """Images a cube-map loader must refuse: cross images whose size does not split
    into 4 x 3 square cells, and faces that are not square or not of the first
    face's size."""
    grey = lambda w, h: np.full((h, w, 3), 128, dtype=np.uint8)
    li.save_png(os.path.join(OUT, "cross_width50.png"), grey(50, 36))
    li.save_png(os.path.join(OUT, "cross_height38.png"), grey(64, 38))
    li.save_png(os.path.join(OUT, "cross_cells16x12.png"), grey(64, 36))
    li.save_png(os.path.join(OUT, "face_48x40.png"), grey(48, 40))
    li.save_png(os.path.join(OUT, "face_32x32.png"), grey(32, 32))


def bump():
    """64 x 64 bump map. Upper half: left of column 32 rising 3 per column, right of
    it a flat 100. Lower half: rising 4 per row upwards (towards the picture's top)."""
    h = np.zeros((64, 64), dtype=np.int64)
    columns = np.arange(64)
    h[:32, :32] = 3 * columns[None, :32]
    h[:32, 32:] = 100
    rows = np.arange(32, 64)
    h[32:, :] = (4 * (63 - rows))[:, None]
    li.save_png(os.path.join(OUT, "bump.png"), h.astype(np.uint8))


if __name__ == "__main__":
    gradient16()
    cube_faces()
    bad_cube_images()
    bump()
