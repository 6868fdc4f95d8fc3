"""The skies: a starfield cube map per moon (no painted sun: the sun is its own
sprite), the gas giant Kestrun as a banded sphere texture and as a sprite disc, and
the sun's glow sprite."""

import os
import sys

import numpy as np
from PIL import Image

import lib_terrain as lt

ASSETS = sys.argv[1] if len(sys.argv) > 1 else "../../assets"
TEX = os.path.join(ASSETS, "textures")
FACE = 1024

# Face files in the cube map's order +X, -X, +Y, -Y, +Z, -Z.
FACES = ["E", "W", "T", "B", "S", "N"]


def face_directions(face, size):
    """Unit view direction of every texel of a cube face (row 0 = first image row)."""
    t, s = np.mgrid[0:size, 0:size].astype(np.float64)
    sc = 2.0 * (s + 0.5) / size - 1.0
    tc = 2.0 * (t + 0.5) / size - 1.0
    one = np.ones_like(sc)
    d = {
        0: (one, -tc, -sc),
        1: (-one, -tc, sc),
        2: (sc, one, tc),
        3: (sc, -one, -tc),
        4: (sc, -tc, one),
        5: (-sc, -tc, -one),
    }[face]
    v = np.stack(d, axis=-1)
    return v / np.linalg.norm(v, axis=-1, keepdims=True)


def direction_to_face(d):
    """Face index and texel (row, column) of a direction."""
    ax = np.abs(d)
    major = int(np.argmax(ax))
    x, y, z = d
    if major == 0:
        face, sc, tc, ma = (0, -z, -y, ax[0]) if x > 0 else (1, z, -y, ax[0])
    elif major == 1:
        face, sc, tc, ma = (2, x, z, ax[1]) if y > 0 else (3, x, -z, ax[1])
    else:
        face, sc, tc, ma = (4, x, -y, ax[2]) if z > 0 else (5, -x, -y, ax[2])
    col = (sc / ma + 1.0) * 0.5 * FACE
    row = (tc / ma + 1.0) * 0.5 * FACE
    return face, row, col


def starfield(name, seed, tint, haze=None, band_normal=(0.3, 0.8, 0.5), stars=9000):
    rng = np.random.default_rng(seed)
    faces = [np.zeros((FACE, FACE, 3)) for _ in range(6)]
    band_normal = np.asarray(band_normal) / np.linalg.norm(band_normal)
    phases = rng.uniform(0, 2 * np.pi, (4, 3))
    for f in range(6):
        d = face_directions(f, FACE)
        # Clouds of the galactic band from the direction alone, so the faces meet seamlessly.
        clouds = sum(np.sin(d[..., 0] * k * 3.1 + phases[k - 1, 0]) * np.sin(d[..., 1] * k * 2.7 + phases[k - 1, 1]) *
                     np.sin(d[..., 2] * k * 3.3 + phases[k - 1, 2]) / k for k in range(1, 5))
        band = np.exp(-((d @ band_normal) / 0.22) ** 2) * np.clip(0.55 + 0.8 * clouds, 0, 1.2)
        faces[f] += band[..., None] * np.asarray(tint) * 0.16 * 255
        if haze is not None:
            glow = np.exp(-((d[..., 1] + 0.05) / 0.22) ** 2) * (d[..., 1] < 0.5)
            faces[f] += glow[..., None] * np.asarray(haze) * 255
    dirs = rng.normal(size=(stars, 3))
    dirs /= np.linalg.norm(dirs, axis=1, keepdims=True)
    mags = rng.pareto(2.2, stars)
    colors = rng.choice(np.array([[1.0, 0.9, 0.8], [0.8, 0.9, 1.0], [1.0, 1.0, 1.0], [1.0, 0.8, 0.6]]), stars)
    for d, m, c in zip(dirs, mags, colors):
        f, row, col = direction_to_face(d)
        bright = min(1.0, 0.25 + 0.4 * m)
        radius = 0.45 + min(0.6, 0.25 * m)
        r0, c0 = int(row), int(col)
        for dr in (-1, 0, 1):
            for dc in (-1, 0, 1):
                rr, cc = r0 + dr, c0 + dc
                if 0 <= rr < FACE and 0 <= cc < FACE:
                    dist2 = (rr + 0.5 - row) ** 2 + (cc + 0.5 - col) ** 2
                    faces[f][rr, cc] += np.asarray(c) * 255 * bright * np.exp(-dist2 / (radius * radius))
    folder = os.path.join(TEX, "skybox", name)
    os.makedirs(folder, exist_ok=True)
    for f, letter in enumerate(FACES):
        Image.fromarray(np.clip(faces[f], 0, 255).astype(np.uint8), "RGB").save(os.path.join(folder, letter + ".png"))


def band_color(lat, turb):
    """Kestrun's cloud bands by latitude (-1 south pole .. 1 north pole)."""
    palette = np.array([[226, 212, 184], [196, 150, 108], [238, 226, 200], [170, 120, 84], [214, 188, 150]],
                       dtype=np.float64)
    x = lat * 7.5 + turb * 1.6
    idx = np.floor(x).astype(np.int64) % len(palette)
    frac = x - np.floor(x)
    frac = frac * frac * (3 - 2 * frac)
    col = palette[idx] * (1 - frac[..., None]) + palette[(idx + 1) % len(palette)] * frac[..., None]
    polar = np.clip((np.abs(lat) - 0.7) / 0.3, 0, 1)
    return col * (1 - polar[..., None]) + np.array([150, 150, 160]) * polar[..., None]


def kestrun():
    rng = np.random.default_rng(404)
    w, h = 2048, 1024
    turb = lt.fbm(rng, w, 8, 6)[:h, :] + 0.5 * lt.fbm(rng, w, 48, 3)[:h, :]
    rows, cols = np.mgrid[0:h, 0:w].astype(np.float64)
    lat = 1.0 - 2.0 * (rows + 0.5) / h  # picture top = north
    lon = (cols + 0.5) / w * 2 * np.pi
    # Bands are stretched along the longitude: turbulence varies slowly east-west.
    color = band_color(lat, turb * 0.35 * (1.0 + 0.5 * np.sin(lat * 9.0)))
    # A great storm in the southern belt.
    dl = (lat + 0.36) / 0.07
    dn = np.angle(np.exp(1j * (lon - 2.1))) / 0.22
    spot = np.exp(-(dl * dl + dn * dn))
    color = lt.tint(color, [190, 96, 64], 0.8, spot)
    # The sphere's texture coordinates start at its top pole on the picture's last row.
    img = Image.fromarray(np.clip(color, 0, 255).astype(np.uint8), "RGB").transpose(Image.FLIP_TOP_BOTTOM)
    img.save(os.path.join(TEX, "kestrun_diffuse.jpg"), quality=92)

    # The sprite: the same bands seen on a lit disc, transparent around it.
    n = 512
    y, x = np.mgrid[0:n, 0:n].astype(np.float64)
    u = (x + 0.5) / n * 2 - 1
    v = 1 - (y + 0.5) / n * 2
    r2 = u * u + v * v
    inside = r2 < 1.0
    z = np.sqrt(np.clip(1 - r2, 0, 1))
    lat_s = v
    lon_s = np.arctan2(u, z) + 2.1
    px = ((lon_s / (2 * np.pi)) % 1.0 * w).astype(np.int64) % w
    py = np.clip(((1 - lat_s) / 2 * h).astype(np.int64), 0, h - 1)
    disc = color[py, px]
    light = np.clip(0.25 + 0.85 * (u * -0.5 + z * 0.8 + v * 0.3), 0.05, 1.0)
    rgb = disc * light[..., None]
    alpha = np.clip((1.0 - np.sqrt(r2)) * n * 0.5, 0, 1) * inside
    rgba = np.dstack([np.clip(rgb, 0, 255), alpha * 255]).astype(np.uint8)
    Image.fromarray(rgba, "RGBA").save(os.path.join(TEX, "kestrun-sprite.png"))


def sun():
    n = 128
    y, x = np.mgrid[0:n, 0:n].astype(np.float64)
    r = np.hypot(x + 0.5 - n / 2, y + 0.5 - n / 2) / (n / 2)
    core = np.clip(1.0 - r / 0.22, 0, 1) ** 0.5
    glow = np.exp(-(r / 0.45) ** 2) * 0.8
    a = np.clip(core + glow, 0, 1) * (r < 1.0)
    rgb = np.dstack([np.full_like(r, 255), 245 - 30 * r, 225 - 70 * r])
    rgba = np.dstack([np.clip(rgb, 0, 255), a * 255]).astype(np.uint8)
    Image.fromarray(rgba, "RGBA").save(os.path.join(TEX, "sun.png"))


if __name__ == "__main__":
    os.makedirs(TEX, exist_ok=True)
    sun()
    kestrun()
    starfield("ganymede", 11, (0.75, 0.8, 1.0))
    starfield("europa", 12, (0.7, 0.85, 1.0), band_normal=(-0.4, 0.7, 0.2))
    starfield("io", 13, (0.9, 0.8, 0.7), haze=(0.22, 0.1, 0.02), band_normal=(0.2, 0.9, -0.4))
    starfield("sb2", 14, (0.8, 0.8, 0.9), stars=5000)
