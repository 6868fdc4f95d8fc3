"""The lander's explosion as a sprite sheet of 8 x 8 frames (frame 0 top left, rows
going down): a white-hot flash that swells into a turbulent orange fireball, cools to
red and leaves a fading cloud of dark smoke."""

import os
import sys

import numpy as np

from lib_image import save_png

TEX = os.path.join(sys.argv[1] if len(sys.argv) > 1 else "../../assets", "textures")
CELL = 128
FRAMES = 64


def value_noise(rng, size, cells):
    """Smooth noise in 0..1 on a size x size grid, from a random lattice of cells x cells
    values that wraps around (so it can be used as a function of angle too)."""
    lattice = rng.random((cells, cells))
    t = np.arange(size) * cells / size
    i0 = np.floor(t).astype(int)
    f = t - i0
    f = f * f * (3.0 - 2.0 * f)
    i1 = (i0 + 1) % cells
    rows0 = lattice[i0][:, i0] * (1 - f)[None, :] + lattice[i0][:, i1] * f[None, :]
    rows1 = lattice[i1][:, i0] * (1 - f)[None, :] + lattice[i1][:, i1] * f[None, :]
    return rows0 * (1 - f)[:, None] + rows1 * f[:, None]


def turbulence(rng, size):
    total = np.zeros((size, size))
    weight = 0.0
    for octave, cells in enumerate((4, 8, 16, 32)):
        amp = 0.5 ** octave
        total += amp * value_noise(rng, size, cells)
        weight += amp
    return total / weight


def ramp(heat):
    """Colour of burning gas by heat 0..1: dark red, red, orange, yellow, white."""
    stops = np.array([0.0, 0.25, 0.5, 0.75, 1.0])
    colours = np.array([
        [0.35, 0.05, 0.02],
        [0.85, 0.18, 0.03],
        [1.00, 0.50, 0.08],
        [1.00, 0.85, 0.35],
        [1.00, 1.00, 0.92],
    ])
    return np.stack([np.interp(heat, stops, colours[:, c]) for c in range(3)], axis=-1)


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def frame(t, noise_a, noise_b, yy, xx):
    """One cell at time t in 0..1."""
    r = np.sqrt(xx * xx + yy * yy)
    angle = (np.arctan2(yy, xx) / (2 * np.pi) + 0.5) * (noise_a.shape[0] - 1)
    ai = angle.astype(int)
    # Ragged edge: the radius seen through noise that depends on the direction and grows
    # with time, and churning inside from the second noise field drifting outwards.
    edge = noise_a[ai, (np.clip(t * 0.8 + 0.1, 0, 0.99) * (noise_a.shape[1] - 1)).astype(int)]
    size = 0.3 + 0.62 * (1.0 - (1.0 - t) ** 2.5)
    d = r / (size * (0.8 + 0.35 * edge))
    shift = int(t * 40)
    churn = np.roll(noise_b, (shift, -shift), axis=(0, 1))[: r.shape[0], : r.shape[1]]

    body = 1.0 - smoothstep(0.75, 1.05, d + 0.25 * (churn - 0.5))
    heat = np.clip((1.0 - d) * 1.6 + (churn - 0.5) * 0.8, 0.0, 1.0) * (1.0 - t) ** 2.0
    heat = np.clip(heat + 0.9 * max(0.0, 1.0 - t * 8.0) * (1.0 - np.clip(d, 0, 1)), 0.0, 1.0)
    fire = ramp(heat)

    # Smoke takes over as the gas cools.
    smoke_share = smoothstep(0.15, 0.6, t) * (1.0 - heat)
    smoke = np.stack([0.22 + 0.18 * churn, 0.2 + 0.16 * churn, 0.19 + 0.15 * churn], axis=-1)
    colour = fire * (1 - smoke_share[..., None]) + smoke * smoke_share[..., None]

    fade = 1.0 - smoothstep(0.6, 1.0, t)
    alpha = body * fade * (0.55 + 0.45 * np.clip(heat * 2.0 + (1 - smoke_share) * 0.4, 0, 1))
    return np.concatenate([colour, alpha[..., None]], axis=-1)


def main():
    rng = np.random.default_rng(6401)
    noise_a = value_noise(rng, 256, 24)
    noise_b = turbulence(rng, CELL * 2)
    coords = (np.arange(CELL) + 0.5) / CELL * 2.0 - 1.0
    yy, xx = np.meshgrid(coords, coords, indexing="ij")
    sheet = np.zeros((8 * CELL, 8 * CELL, 4))
    for f in range(FRAMES):
        row, column = divmod(f, 8)
        sheet[row * CELL:(row + 1) * CELL, column * CELL:(column + 1) * CELL] = frame(
            f / FRAMES, noise_a, noise_b, yy, xx)
    save_png(os.path.join(TEX, "explosion.png"), sheet)


if __name__ == "__main__":
    main()
