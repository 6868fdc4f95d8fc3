"""Terrain maps of the moons: 16-bit heightmap, colour map, normal map, light map and
(for Europa) a specular map, all the same size and orientation. Crawler routes, the
start area, basins and lava are placed where the level files expect them, so the
numbers below are repeated in assets/levels/level_<n>.ini."""

import os
import sys

import numpy as np

import lib_terrain as lt

OUT = os.path.join(sys.argv[1] if len(sys.argv) > 1 else "../../assets", "textures", "terrain")


def write_maps(name, h, extent, min_h, max_h, color, sun, specular=None, light=True):
    n = h.shape[0]
    spacing = extent / (n - 1)
    lt.save_u16(os.path.join(OUT, name + "_hf.png"), lt.to_u16(h, min_h, max_h))
    lt.save_rgb(os.path.join(OUT, name + "_tm.png"), color)
    lt.save_rgb(os.path.join(OUT, name + "_nm.png"), lt.encode_normals(lt.normals(h, spacing)))
    if light:
        lt.save_gray(os.path.join(OUT, name + "_lm.png"), lt.light_map(h, spacing, sun))
    if specular is not None:
        lt.save_gray(os.path.join(OUT, name + "_sm.png"), specular)


def smooth_ground(h, mask, detail, radius=48):
    """Lays gentle ground under routes and pads: the terrain smoothed over a wide
    area, with a little fine detail left on it."""
    ground = lt.blur(h, radius) + detail
    h[:] = h * (1.0 - mask) + ground * mask


def report(name, h, points, extent):
    n = h.shape[0]
    for x, z in points:
        wx = (x / (n - 1) - 0.5) * extent
        wz = (z / (n - 1) - 0.5) * extent
        print("%s: pixel (%d, %d) = world (%.1f, %.1f), height %.1f" % (name, x, z, wx, wz, h[z, x]))


def route_mask(n, routes, pads, inner=12, outer=34):
    """1 along crawler routes and on landing pads, fading out to the open terrain."""
    mask = np.zeros((n, n))
    for points, closed in routes:
        d = lt.segment_distance(n, points, closed)
        mask = np.maximum(mask, lt.corridor_mask(d, inner, outer))
    for x, z, r in pads:
        d = lt.distance_grid(n, x, z)
        mask = np.maximum(mask, lt.corridor_mask(d, r, r * 2.0))
    return mask


def settle_routes(h, routes, pads, detail, low, high, radius=48, inner=12, outer=34):
    """Gentle ground under the routes and pads, then every height kept in [low, high]."""
    smooth_ground(h, route_mask(h.shape[0], routes, pads, inner, outer), detail, radius)
    return np.clip(h, low, high)


# ---------------------------------------------------------------- Ganymede (level 1)
GANYMEDE_ROUTES = [
    ([(540, 510)], False),
    ([(420, 420), (620, 400), (640, 600), (430, 620)], True),
]
GANYMEDE_PAD = [(512, 572, 26), (540, 510, 20)]


def ganymede():
    n, extent, plain = 1025, 2048.0, 40.0
    rng = np.random.default_rng(101)
    h = plain + 30.0 * lt.fbm(rng, n, 4, 7) + 22.0 * lt.fbm(rng, n, 2, 3)
    hills = np.clip(lt.fbm(rng, n, 3, 5) * 2.2 - 0.35, 0.0, 1.0)
    h += 100.0 * hills * (0.6 + 0.4 * lt.fbm(rng, n, 16, 3))

    # Grooved terrain: a bright band of parallel furrows across the map.
    rows, cols = np.mgrid[0:n, 0:n].astype(np.float64)
    across = cols * np.cos(0.5) + rows * np.sin(0.5)
    band = lt.corridor_mask(np.abs(cols * -np.sin(0.5) + rows * np.cos(0.5) - 160.0), 60, 130)
    h += 4.0 * np.sin(across / 14.0 * 2.0 * np.pi) * band

    craters = []
    for _ in range(170):
        radius = float(np.clip(4.0 * rng.pareto(1.6) + 4.0, 4.0, 70.0))
        x, z = rng.uniform(0, n), rng.uniform(0, n)
        lt.add_crater(h, x, z, radius, depth=0.45 * radius, rim=0.13 * radius)
        craters.append((x, z, radius))

    h = settle_routes(h, GANYMEDE_ROUTES, GANYMEDE_PAD, 6.0 * lt.fbm(rng, n, 64, 3), 2.0, 198.0)

    t = np.clip(0.5 + 0.5 * lt.fbm(rng, n, 8, 5), 0, 1)
    color = lt.lerp_color((88, 80, 70), (150, 138, 120), t)
    color = lt.lerp_color((0, 0, 0), (1, 1, 1), np.ones((n, n))) * color
    color += (np.clip((h - plain) / 120.0, -0.3, 0.6) * 40.0)[..., None]
    cavity = h - lt.blur(h, 8)
    color *= (1.0 + np.clip(cavity * 0.02, -0.25, 0.3))[..., None]
    color = lt.tint(color, [190, 182, 168], 0.25, band)
    # Fresh craters throw bright rays.
    for x, z, radius in craters[:12]:
        d = lt.distance_grid(n, x, z) / radius
        ang = np.arctan2(rows - z, cols - x)
        rays = np.clip(np.cos(ang * 9.0 + x) * 0.5 + 0.5, 0, 1) ** 6
        glow = np.clip(1.0 - (d - 1.0) / 4.0, 0, 1) * (d > 1.0) * rays * 0.35
        color = color * (1 - glow[..., None]) + 215.0 * glow[..., None]
    report("ganymede", h, [(512, 572), (540, 510)] + GANYMEDE_ROUTES[1][0], extent)
    write_maps("ganymede", h, extent, 0.0, 200.0, color, lt.sun_direction(35.0, 32.0))


# ---------------------------------------------------------------- Europa (level 2)
EUROPA_ROUTES = [
    ([(420, 420), (580, 410), (590, 540), (430, 550)], True),
    ([(250, 250), (480, 240), (470, 340), (260, 350)], True),
    ([(480, 630), (600, 760), (480, 800), (440, 700)], True),
]
EUROPA_PAD = [(512, 500, 26)]
EUROPA_BASINS = [(640, 300), (700, 620), (330, 720)]  # floor radius 40, walls to 75, floor 8


def europa():
    n, extent, plain = 1025, 2048.0, 30.0
    rng = np.random.default_rng(202)
    h = plain + 5.0 * lt.fbm(rng, n, 4, 6) + 3.0 * lt.fbm(rng, n, 24, 3)

    ridges = np.zeros((n, n))
    for _ in range(13):
        a = rng.uniform(0, np.pi)
        cx, cz = rng.uniform(0, n), rng.uniform(0, n)
        pts = []
        for k in range(7):
            s_ = (k / 6.0 - 0.5) * 1800
            bend = 160 * np.sin(k * 0.9 + rng.uniform(0, 6.28)) * rng.uniform(0.3, 1.0)
            pts.append((cx + np.cos(a) * s_ - np.sin(a) * bend, cz + np.sin(a) * s_ + np.cos(a) * bend))
        d = lt.segment_distance(n, pts, False)
        size = rng.uniform(1.0, 2.2)
        ridge = np.exp(-((d - 4.0 * size) / (2.2 * size)) ** 2) - 0.5 * np.exp(-(d / (1.4 * size)) ** 2)
        h += 7.0 * size * ridge
        ridges = np.maximum(ridges, np.clip(ridge, 0, 1))
    cracks = np.zeros((n, n))
    for _ in range(22):
        a = rng.uniform(0, np.pi)
        cx, cz = rng.uniform(0, n), rng.uniform(0, n)
        pts = [(cx - np.cos(a) * 400, cz - np.sin(a) * 400), (cx + np.cos(a) * 400, cz + np.sin(a) * 400)]
        d = lt.segment_distance(n, pts, False)
        cracks = np.maximum(cracks, 0.6 * np.exp(-(d / 1.2) ** 2))
    h -= 1.5 * cracks

    basin_mask = np.zeros((n, n))
    for x, z in EUROPA_BASINS:
        lt.add_basin(h, x, z, 40, 75, 8.0)
        basin_mask = np.maximum(basin_mask, lt.corridor_mask(lt.distance_grid(n, x, z), 45, 80))

    h = settle_routes(h, EUROPA_ROUTES, EUROPA_PAD, 2.0 * lt.fbm(rng, n, 64, 3), 1.0, 149.0)

    t = np.clip(0.5 + 0.6 * lt.fbm(rng, n, 6, 5), 0, 1)
    color = lt.lerp_color((186, 204, 226), (236, 242, 248), t)
    stain = np.clip(lt.fbm(rng, n, 5, 4) * 1.8, 0, 1)
    color = lt.tint(color, [176, 140, 112], 0.35, stain)
    color = lt.tint(color, [150, 108, 86], 0.7, ridges)
    color = lt.tint(color, [112, 80, 66], 0.8, cracks)
    color = lt.tint(color, [160, 196, 224], 0.6, basin_mask)
    specular = np.clip(0.75 - 0.6 * ridges - 0.6 * cracks - 0.3 * stain + 0.2 * basin_mask, 0.05, 1.0)
    report("europa", h, [(512, 500)] + [p for r in EUROPA_ROUTES for p in r[0]], extent)
    write_maps("europa", h, extent, 0.0, 150.0, color, lt.sun_direction(250.0, 24.0), specular=specular)


# ---------------------------------------------------------------- Io (level 3)
IO_ROUTES = [
    ([(450, 450), (600, 430), (610, 580), (460, 590)], True),
    ([(500, 250), (780, 250), (780, 330), (520, 330)], True),
    ([(250, 500), (330, 560), (300, 640), (230, 600)], False),
    ([(560, 780), (780, 780), (780, 700), (560, 700)], True),
]
IO_PAD = [(512, 512, 26)]
# Calderas: centre, floor radius, floor height. Lava stands 3 units above the floor.
IO_CALDERAS = [(350, 350, 60, 40.0), (700, 450, 50, 45.0), (420, 720, 55, 42.0)]
IO_CHANNEL_LAVA = [(710, 480), (710, 660)]  # floor 35, lava at 38
IO_CHANNEL_DRY = [(300, 380), (270, 440), (230, 470), (200, 540), (150, 560)]
IO_VENTS = [(250, 300), (300, 820), (820, 560), (560, 150)]


def carve(h, d, floor_width, wall_width, floor_height):
    """A flat floor out to floor_width, walls up to the old ground (at least the floor)
    out to wall_width; the ground beyond stays as it was, so a later, higher floor
    does not fill an earlier one."""
    t = np.clip((d - floor_width) / (wall_width - floor_width), 0.0, 1.0)
    t = t * t * (3.0 - 2.0 * t)
    h[:] = np.where(t >= 1.0, h, floor_height * (1.0 - t) + np.maximum(h, floor_height) * t)


def io():
    n, extent, plain = 1025, 2048.0, 50.0
    rng = np.random.default_rng(303)
    h = plain + 9.0 * lt.fbm(rng, n, 5, 6) + 6.0 * lt.fbm(rng, n, 2, 3)
    plateaus = np.clip(lt.fbm(rng, n, 5, 5) * 2.5 - 0.5, 0, 1)
    h += 35.0 * plateaus * plateaus

    halo = np.zeros((n, n))
    floor_mask = np.zeros((n, n))
    for x, z, r, floor in IO_CALDERAS:
        d = lt.distance_grid(n, x, z)
        h += 55.0 * np.exp(-(d / (r * 2.6)) ** 2)
        carve(h, d, r, r + 20, floor)
        halo = np.maximum(halo, np.clip(1.0 - (d - r) / (r * 1.8), 0, 1) * (d > r))
        floor_mask = np.maximum(floor_mask, (d <= r + 4).astype(np.float64))
    for x, z in IO_VENTS:
        d = lt.distance_grid(n, x, z)
        h += 14.0 * np.exp(-(d / 18.0) ** 2) - 10.0 * np.exp(-(d / 6.0) ** 2)
        halo = np.maximum(halo, 0.8 * np.exp(-(d / 40.0) ** 2))

    d_lava = lt.segment_distance(n, IO_CHANNEL_LAVA, False)
    carve(h, d_lava, 8, 16, 35.0)
    d_dry = lt.segment_distance(n, IO_CHANNEL_DRY, False)
    h -= 12.0 * np.exp(-(d_dry / 7.0) ** 2)
    channels = np.maximum(np.exp(-(d_lava / 12.0) ** 2), np.exp(-(d_dry / 8.0) ** 2))

    h = settle_routes(h, IO_ROUTES, IO_PAD, 3.0 * lt.fbm(rng, n, 64, 3), 1.0, 249.0)

    t = np.clip(0.5 + 0.7 * lt.fbm(rng, n, 6, 5), 0, 1)
    color = lt.lerp_color((214, 178, 62), (236, 222, 120), t)
    orange = np.clip(lt.fbm(rng, n, 4, 4) * 2.0, 0, 1)
    frost = np.clip(-lt.fbm(rng, n, 5, 4) * 2.2 - 0.2, 0, 1)
    color = lt.tint(color, [206, 122, 48], 0.6, orange)
    color = lt.tint(color, [238, 236, 214], 0.5, frost)
    color = lt.tint(color, [138, 52, 26], 0.75, halo)
    color = lt.tint(color, [58, 34, 24], 0.85, channels)
    color = lt.tint(color, [36, 24, 20], 1.0, floor_mask)
    report("io", h, [(512, 512)] + [p for r in IO_ROUTES for p in r[0]], extent)
    write_maps("io", h, extent, 0.0, 250.0, color, lt.sun_direction(120.0, 28.0))


# ---------------------------------------------------------------- test level 99
def testlevel():
    n, extent, plain = 129, 256.0, 10.0
    rng = np.random.default_rng(909)
    h = plain + 6.0 * lt.fbm(rng, n, 3, 5)
    lt.add_crater(h, 100, 30, 10, 4.0, 1.5)
    routes = [([(40, 40), (90, 40), (90, 90), (40, 90)], True)]
    h = settle_routes(h, routes, [(64, 64, 8)], 0.0, 0.5, 39.5, radius=16, inner=5, outer=12)
    t = np.clip(0.5 + 0.5 * lt.fbm(rng, n, 8, 4), 0, 1)
    color = lt.lerp_color((96, 88, 78), (150, 140, 124), t)
    report("test", h, [(64, 64), (40, 40), (90, 90)], extent)
    write_maps("test", h, extent, 0.0, 40.0, color, lt.sun_direction(35.0, 40.0), light=False)


# ---------------------------------------------------------------- built-in level 55
def mini():
    n, extent = 64, 4.0
    rows, cols = np.mgrid[0:n, 0:n].astype(np.float64)
    h = 2.0 + 1.2 * np.sin(cols / (n - 1) * 2 * np.pi) * np.cos(rows / (n - 1) * np.pi)
    out = os.path.join(OUT, "..")
    lt.save_u16(os.path.join(out, "mini-HF.png"), lt.to_u16(h, 0.0, 5.0))
    t = (h - h.min()) / (h.max() - h.min())
    lt.save_rgb(os.path.join(out, "mini-TM.png"), lt.lerp_color((90, 80, 70), (170, 160, 140), t))
    lt.save_rgb(os.path.join(out, "mini-NM.png"), lt.encode_normals(lt.normals(h, extent / (n - 1))))


if __name__ == "__main__":
    mini()
    testlevel()
    ganymede()
    europa()
    io()
