"""Building blocks of the moons' terrain maps: noise, craters, basins, ridges, and
the derived normal, light and specular maps. Heights are world units in float arrays
indexed [row, column]; row 0 is the picture's top edge (north, -z), column 0 its
left edge (west, -x)."""

import os

import numpy as np
from PIL import Image


def value_noise(rng, n, cells):
    """Smooth value noise in [-1, 1] on an n x n grid with `cells` cells per side."""
    grid = rng.uniform(-1.0, 1.0, (cells + 2, cells + 2))
    u = np.linspace(0.0, cells, n, dtype=np.float64)
    i = np.minimum(u.astype(np.int64), cells - 1)
    f = u - i
    f = f * f * (3.0 - 2.0 * f)
    z0 = grid[i][:, i] * (1 - f)[None, :] + grid[i][:, i + 1] * f[None, :]
    z1 = grid[i + 1][:, i] * (1 - f)[None, :] + grid[i + 1][:, i + 1] * f[None, :]
    return z0 * (1 - f)[:, None] + z1 * f[:, None]


def fbm(rng, n, base_cells, octaves, gain=0.5):
    """Fractal sum of value-noise octaves, roughly in [-1, 1]."""
    total = np.zeros((n, n))
    amp, norm, cells = 1.0, 0.0, base_cells
    for _ in range(octaves):
        total += amp * value_noise(rng, n, cells)
        norm += amp
        amp *= gain
        cells *= 2
    return total / norm


def box_blur(a, radius):
    """Separable box blur with edge clamping (two passes give a soft, tent-like blur)."""
    if radius < 1:
        return a.copy()
    out = a
    for axis in (0, 1):
        pad = [(0, 0), (0, 0)]
        pad[axis] = (radius + 1, radius)
        p = np.pad(out, pad, mode="edge")
        c = np.cumsum(p, axis=axis)
        size = 2 * radius + 1
        if axis == 0:
            out = (c[size:, :] - c[:-size, :]) / size
        else:
            out = (c[:, size:] - c[:, :-size]) / size
    return out


def blur(a, radius):
    return box_blur(box_blur(a, radius), radius)


def distance_grid(n, cx, cz):
    rows, cols = np.mgrid[0:n, 0:n]
    return np.hypot(cols - cx, rows - cz)


def add_crater(h, cx, cz, radius, depth, rim):
    """Bowl of the given depth with a raised rim and an ejecta apron."""
    n = h.shape[0]
    reach = int(radius * 2.5) + 2
    r0, r1 = max(0, int(cz) - reach), min(n, int(cz) + reach + 1)
    c0, c1 = max(0, int(cx) - reach), min(n, int(cx) + reach + 1)
    if r0 >= r1 or c0 >= c1:
        return
    rows, cols = np.mgrid[r0:r1, c0:c1]
    d = np.hypot(cols - cx, rows - cz) / radius
    bowl = np.where(d < 1.0, (d * d - 1.0) * depth, 0.0)
    rim_shape = rim * np.exp(-((d - 1.0) / 0.25) ** 2)
    apron = np.where(d > 1.0, rim * 0.35 * np.exp(-(d - 1.0) * 2.0), 0.0)
    h[r0:r1, c0:c1] += bowl + rim_shape + apron


def add_basin(h, cx, cz, floor_radius, wall_radius, floor_height):
    """Flat-floored depression: the floor at floor_height, walls blending out to the
    surrounding ground between floor_radius and wall_radius."""
    d = distance_grid(h.shape[0], cx, cz)
    t = np.clip((d - floor_radius) / (wall_radius - floor_radius), 0.0, 1.0)
    t = t * t * (3.0 - 2.0 * t)
    h[:] = floor_height * (1.0 - t) + np.maximum(h, floor_height) * t


def segment_distance(n, points, closed):
    """Distance of every pixel to a polyline through `points` (pixel x, z)."""
    rows, cols = np.mgrid[0:n, 0:n].astype(np.float64)
    best = np.full((n, n), 1e9)
    pairs = list(zip(points, points[1:] + (points[:1] if closed else [])))
    for (ax, az), (bx, bz) in pairs:
        dx, dz = bx - ax, bz - az
        length_sq = dx * dx + dz * dz
        t = np.clip(((cols - ax) * dx + (rows - az) * dz) / max(length_sq, 1e-9), 0.0, 1.0)
        best = np.minimum(best, np.hypot(cols - (ax + t * dx), rows - (az + t * dz)))
    return best


def flatten(h, mask, height, keep_detail=None, detail_scale=0.3):
    """Pulls the ground to `height` where mask is 1, keeping a little fine detail."""
    target = np.full_like(h, height)
    if keep_detail is not None:
        target = target + detail_scale * keep_detail
    h[:] = h * (1.0 - mask) + target * mask


def corridor_mask(distance, inner, outer):
    t = np.clip((outer - distance) / (outer - inner), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def sun_direction(azim_deg, elev_deg):
    """Direction towards the sun as the game computes it: (x, y, z), y up, -z north."""
    a, e = np.radians(azim_deg), np.radians(elev_deg)
    return np.array([np.cos(e) * np.sin(a), np.sin(e), -np.cos(e) * np.cos(a)])


def normals(h, spacing):
    """Unit surface normals (x, y, z) with x east (columns) and z south (rows)."""
    dhdx = np.gradient(h, spacing, axis=1)
    dhdz = np.gradient(h, spacing, axis=0)
    n = np.stack([-dhdx, np.ones_like(h), -dhdz], axis=-1)
    return n / np.linalg.norm(n, axis=-1, keepdims=True)


def encode_normals(n):
    """RGB bytes as the game decodes them: R = x, G = -z, B = y."""
    rgb = np.empty(n.shape, dtype=np.float64)
    rgb[..., 0] = 128.0 + 127.0 * n[..., 0]
    rgb[..., 1] = 128.0 - 127.0 * n[..., 2]
    rgb[..., 2] = 128.0 + 127.0 * n[..., 1]
    return np.clip(np.rint(rgb), 0, 255).astype(np.uint8)


def shadow_mask(h, spacing, sun, steps=48, step_px=3.0):
    """1 where the sun is visible, 0 in cast shadow (marched towards the sun)."""
    n = h.shape[0]
    rows, cols = np.mgrid[0:n, 0:n].astype(np.float64)
    horiz = np.hypot(sun[0], sun[2])
    if horiz < 1e-6:
        return np.ones_like(h)
    dx, dz = sun[0] / horiz, sun[2] / horiz
    rise = sun[1] / horiz * spacing  # height gained per pixel walked
    lit = np.ones_like(h)
    for k in range(1, steps + 1):
        dist = k * step_px
        c = np.clip(cols + dx * dist, 0, n - 1).astype(np.int64)
        r = np.clip(rows + dz * dist, 0, n - 1).astype(np.int64)
        blocked = h[r, c] > h + rise * dist
        lit = np.where(blocked, np.minimum(lit, 0.0), lit)
    return blur(lit, 1)


def light_map(h, spacing, sun, ambient=0.35):
    """Baked sun shading: lambert with cast shadows, plus a cavity term."""
    nrm = normals(h, spacing)
    lambert = np.clip(nrm @ sun, 0.0, 1.0)
    lit = shadow_mask(h, spacing, sun)
    cavity = np.clip((h - blur(h, 6)) * 0.08, -0.25, 0.25)
    value = ambient + (1.0 - ambient) * lambert * (0.3 + 0.7 * lit) + cavity
    return np.clip(value, 0.0, 1.0)


def to_u16(h, min_height, max_height):
    v = (h - min_height) / (max_height - min_height) * 65535.0
    return np.clip(np.rint(v), 0, 65535).astype(np.uint16)


def save_u16(path, values):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    Image.fromarray(values.astype(np.uint16), mode="I;16").save(path)


def save_rgb(path, rgb):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    Image.fromarray(np.clip(rgb, 0, 255).astype(np.uint8), mode="RGB").save(path)


def save_gray(path, values01):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    Image.fromarray(np.clip(np.rint(values01 * 255.0), 0, 255).astype(np.uint8), mode="L").save(path)


def lerp_color(a, b, t):
    a, b = np.asarray(a, dtype=np.float64), np.asarray(b, dtype=np.float64)
    return a + (b - a) * t[..., None]


def tint(color, rgb, amount, mask):
    """Blends color toward rgb by amount where mask is 1, not at all where it is 0."""
    return color * (1 - amount * mask[..., None]) + np.array(rgb) * amount * mask[..., None]
