"""The water's two shared textures (assets/textures/): "waterNM.png", a tangent-space
normal map of small ripples, and "waterDisp.png", a grey swell map. Both tile
seamlessly, because the water shader repeats and scrolls them."""

import os
import sys

import numpy as np

import lib_image as li

ASSETS = sys.argv[1] if len(sys.argv) > 1 else "../../assets"
OUT = os.path.join(ASSETS, "textures")
SIZE = 256


def periodic_noise(rng, size, octaves):
    """Sum of random waves whose frequencies are whole numbers of periods across the
    image, so the result wraps at every edge. Scaled to 0..1."""
    y, x = np.mgrid[0:size, 0:size].astype(np.float64) / size
    total = np.zeros((size, size))
    for kx, ky, amplitude in octaves:
        for _ in range(6):
            fx = rng.integers(-kx, kx + 1)
            fy = rng.integers(-ky, ky + 1)
            if fx == 0 and fy == 0:
                continue
            phase = rng.uniform(0.0, 2.0 * np.pi)
            total += amplitude * np.sin(2.0 * np.pi * (fx * x + fy * y) + phase)
    total -= total.min()
    return total / max(total.max(), 1e-9)


def normal_map(height, strength):
    """Normals from the wrapped slopes of a height field, packed into RGB."""
    dx = (np.roll(height, -1, axis=1) - np.roll(height, 1, axis=1)) * strength
    dy = (np.roll(height, -1, axis=0) - np.roll(height, 1, axis=0)) * strength
    n = np.dstack([-dx, dy, np.ones_like(height)])
    n /= np.linalg.norm(n, axis=2, keepdims=True)
    return n * 0.5 + 0.5


def main():
    rng = np.random.default_rng(2701)
    ripples = periodic_noise(rng, SIZE, [(3, 3, 1.0), (7, 7, 0.5), (15, 15, 0.25), (28, 28, 0.12)])
    li.save_png(os.path.join(OUT, "waterNM.png"), normal_map(ripples, 6.0))
    swell = periodic_noise(rng, SIZE, [(2, 2, 1.0), (4, 4, 0.5), (8, 8, 0.2)])
    li.save_png(os.path.join(OUT, "waterDisp.png"), swell)


if __name__ == "__main__":
    main()
