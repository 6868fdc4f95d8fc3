"""Pictures of the menu and of the loading and end screens: the portrait title beside
the menu, one loading picture per moon, the end picture, and the three badges of the
credits strip naming the libraries this game is built on.

The landscapes are rendered from the moons' own terrain maps (gen_terrain.py) under a
starry sky with Kestrun's own sprite (gen_sky.py), so the pictures show the places the
levels are played in. Everything is drawn in the look of the HUD: dark glass panels,
thin cyan lines, amber labels."""

import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

ASSETS = sys.argv[1] if len(sys.argv) > 1 else "../../assets"
TEX = os.path.join(ASSETS, "textures")
DISPLAY_FONT = "/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf"
PLAIN_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

CYAN = (80, 220, 255)
AMBER = (255, 176, 64)
RED = (255, 80, 64)
GLASS = (8, 14, 22)

# Moon name, terrain file prefix, height range top (the level files' max_height),
# camera (heightmap pixel x, z, height above the ground, heading in degrees), sun
# heading and elevation (degrees) as the level files set them, haze colour.
MOONS = {
    "1": ("GANYMEDE", "ganymede", 200.0, (180, 880, 70.0, 35.0), (35.0, 32.0), (70, 78, 96)),
    "2": ("EUROPA", "europa", 150.0, (860, 900, 55.0, -40.0), (250.0, 24.0), (60, 82, 110)),
    "3": ("IO", "io", 250.0, (150, 150, 80.0, 140.0), (120.0, 28.0), (110, 70, 40)),
}
EXTENT = 2048.0  # world units across every moon's terrain


def font(path, size):
    return ImageFont.truetype(path, size)


def load_map(name, suffix, mode):
    return np.asarray(Image.open(os.path.join(TEX, "terrain", name + suffix)).convert(mode), dtype=np.float64)


def starfield(w, h, seed, top=(2, 4, 10), bottom=(16, 22, 38)):
    """Night-black sky brightening a little towards the horizon, with stars."""
    rng = np.random.default_rng(seed)
    t = np.linspace(0.0, 1.0, h)[:, None, None]
    sky = np.array(top, float) * (1 - t) + np.array(bottom, float) * t
    sky = np.repeat(sky, w, axis=1)
    n = w * h // 260
    xs, ys = rng.integers(0, w, n), rng.integers(0, h, n)
    level = rng.uniform(60, 255, n) * rng.uniform(0.3, 1.0, n) ** 2
    sky[ys, xs] = np.maximum(sky[ys, xs], level[:, None] * np.array([0.9, 0.95, 1.0]))
    return sky


def paste_kestrun(img, cx, cy, size):
    """Kestrun as the game draws its sprite: the banded disc lit from one side."""
    sprite = Image.open(os.path.join(TEX, "kestrun-sprite.png")).convert("RGBA")
    sprite = sprite.resize((size, size), Image.LANCZOS)
    img.alpha_composite(sprite, (int(cx - size / 2), int(cy - size / 2)))


def sun_glow(img, cx, cy, radius):
    w, h = img.size
    y, x = np.mgrid[0:h, 0:w].astype(np.float64)
    r = np.hypot(x - cx, y - cy) / radius
    glow = np.clip(np.exp(-r * r) * 1.1 + np.exp(-r * 0.9) * 0.25, 0, 1)
    rgb = np.asarray(img.convert("RGB"), dtype=np.float64)
    rgb = rgb + glow[..., None] * (np.array([255, 246, 228]) - rgb) * np.clip(glow, 0, 1)[..., None]
    out = Image.fromarray(np.clip(rgb, 0, 255).astype(np.uint8), "RGB").convert("RGBA")
    img.paste(out)


def render_terrain(moon, w, h, horizon):
    """The moon's ground seen from a low camera: for each screen column the terrain is
    sampled on slices at growing distance, and a pixel takes the first slice whose
    projected ground reaches it (a height-field ray cast, one search per column)."""
    title, name, top, (px, pz, above, heading), (sun_azim, sun_elev), haze = MOONS[moon]
    raw = np.asarray(Image.open(os.path.join(TEX, "terrain", name + "_hf.png")), dtype=np.float64)
    heights = raw / 65535.0 * top
    colour = load_map(name, "_tm.png", "RGB")
    light = load_map(name, "_lm.png", "L") / 255.0
    n = heights.shape[0]
    spacing = EXTENT / (n - 1)

    cam = np.array([px, pz], float) * spacing
    cam_h = heights[pz, px] + above
    a = np.radians(heading)
    fwd = np.array([np.sin(a), -np.cos(a)])
    right = np.array([np.cos(a), np.sin(a)])
    fov = np.radians(70.0)
    focal = (w / 2) / np.tan(fov / 2)

    dist = np.geomspace(3.0, 4000.0, 700)
    lateral = (np.arange(w) + 0.5 - w / 2) / focal
    pts = cam[None, None, :] + dist[:, None, None] * (fwd[None, None, :] + lateral[None, :, None] * right)
    ix = np.mod(np.round(pts[..., 0] / spacing).astype(np.int64), n)
    iz = np.mod(np.round(pts[..., 1] / spacing).astype(np.int64), n)
    ground = heights[iz, ix]
    rows = horizon + (cam_h - ground) * focal / dist[:, None]
    reach = np.minimum.accumulate(rows, axis=0)

    shade = colour[iz, ix] * (0.25 + 0.95 * light[iz, ix])[..., None]
    fog = np.clip((dist / 2600.0) ** 1.3, 0, 0.85)[:, None, None]
    shade = shade * (1 - fog) + np.array(haze, float) * fog

    first = np.full((h, w), len(dist), dtype=np.int64)
    pixel_rows = np.arange(h, dtype=np.float64)
    for c in range(w):
        first[:, c] = np.searchsorted(-reach[:, c], -pixel_rows, side="left")
    hit = first < len(dist)
    picked = shade[np.minimum(first, len(dist) - 1), np.arange(w)[None, :]]
    return picked, hit, (sun_azim - heading, sun_elev, fov, focal)


def moon_view(moon, w, h, horizon_frac, planet, seed):
    """Sky, Kestrun, the sun and the moon's ground, as one RGBA picture."""
    horizon = h * horizon_frac
    ground, hit, (sun_rel, sun_elev, fov, focal) = render_terrain(moon, w, h, horizon)
    img = Image.fromarray(np.clip(starfield(w, h, seed), 0, 255).astype(np.uint8), "RGB").convert("RGBA")
    # The sun where the level puts it, when it is in view.
    off = ((sun_rel + 180.0) % 360.0) - 180.0
    if abs(off) < 35.0:
        sun_glow(img, w / 2 + np.tan(np.radians(off)) * focal, horizon - np.tan(np.radians(sun_elev)) * focal,
                 w * 0.02)
    cx, cy, size = planet
    paste_kestrun(img, cx * w, cy * h, int(size * w))
    sky = np.asarray(img.convert("RGB"), dtype=np.float64)
    rgb = np.where(hit[..., None], ground, sky)
    return Image.fromarray(np.clip(rgb, 0, 255).astype(np.uint8), "RGB")


def glass_panel(draw, box, radius=10, outline=CYAN, alpha=170):
    draw.rounded_rectangle(box, radius=radius, fill=GLASS + (alpha,), outline=outline + (255,), width=2)


def corner_marks(draw, w, h, inset, length, colour=CYAN):
    for x, y, dx, dy in [(inset, inset, 1, 1), (w - inset, inset, -1, 1), (inset, h - inset, 1, -1),
                         (w - inset, h - inset, -1, -1)]:
        draw.line([(x, y), (x + dx * length, y)], fill=colour + (255,), width=3)
        draw.line([(x, y), (x, y + dy * length)], fill=colour + (255,), width=3)


def darken_middle(img, strength):
    """A soft dark band behind the screen's intro text, so white letters stay readable."""
    w, h = img.size
    y = np.linspace(-1.0, 1.0, h)[:, None]
    x = np.linspace(-1.0, 1.0, w)[None, :]
    v = np.clip(1.0 - strength * np.exp(-(y * 1.1) ** 2 - (x * 0.9) ** 4), 0, 1)
    rgb = np.asarray(img.convert("RGB"), dtype=np.float64) * v[..., None]
    return Image.fromarray(np.clip(rgb, 0, 255).astype(np.uint8), "RGB")


def loading_picture(moon, planet, seed):
    w, h = 1024, 640
    view = darken_middle(moon_view(moon, w, h, 0.42, planet, seed), 0.7).convert("RGBA")
    overlay = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    draw = ImageDraw.Draw(overlay)
    corner_marks(draw, w, h, 14, 46)
    title = MOONS[moon][0]
    label = font(PLAIN_FONT, 20)
    text = "LEVEL %s  |  %s" % (moon, title)
    tw = draw.textlength(text, font=label)
    glass_panel(draw, (w - tw - 58, h - 58, w - 24, h - 22), radius=6, outline=AMBER)
    draw.text((w - tw - 41, h - 52), text, font=label, fill=AMBER + (255,))
    view.alpha_composite(overlay)
    out = os.path.join(TEX, "level", moon)
    os.makedirs(out, exist_ok=True)
    view.convert("RGB").save(os.path.join(out, "loading.jpg"), quality=90)


def moon_disc(name, size, light_dir):
    """A small lit sphere wearing the moon's own colour map."""
    colour = Image.open(os.path.join(TEX, "terrain", name + "_tm.png")).convert("RGB").resize((256, 256))
    c = np.asarray(colour, dtype=np.float64)
    y, x = np.mgrid[0:size, 0:size].astype(np.float64)
    u = (x + 0.5) / size * 2 - 1
    v = 1 - (y + 0.5) / size * 2
    r2 = u * u + v * v
    z = np.sqrt(np.clip(1 - r2, 0, 1))
    tx = ((np.arctan2(u, z) / np.pi + 0.5) * 255).astype(int) % 256
    ty = np.clip(((1 - v) / 2 * 255).astype(int), 0, 255)
    lit = np.clip(u * light_dir[0] + v * light_dir[1] + z * light_dir[2], 0.04, 1.0)
    rgb = c[ty, tx] * lit[..., None] * 1.2
    alpha = np.clip((1 - np.sqrt(r2)) * size * 0.5, 0, 1)
    return Image.fromarray(np.dstack([np.clip(rgb, 0, 255), alpha * 255]).astype(np.uint8), "RGBA")


def end_picture():
    """Kestrun and its three moons from far out: the way home."""
    w, h = 1024, 640
    img = Image.fromarray(np.clip(starfield(w, h, 77, (1, 2, 6), (6, 8, 16)), 0, 255).astype(np.uint8),
                          "RGB").convert("RGBA")
    sun_glow(img, w * 0.06, h * 0.12, w * 0.03)
    paste_kestrun(img, w * 0.5, h * 0.5, int(h * 0.62))
    for name, (x, y, s) in [("io", (0.22, 0.70, 46)), ("europa", (0.78, 0.30, 40)),
                            ("ganymede", (0.86, 0.74, 58))]:
        disc = moon_disc(name, s, (-0.6, 0.35, 0.72))
        img.alpha_composite(disc, (int(w * x - s / 2), int(h * y - s / 2)))
    img = darken_middle(img, 0.35).convert("RGBA")
    overlay = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    corner_marks(ImageDraw.Draw(overlay), w, h, 14, 46, AMBER)
    img.alpha_composite(overlay)
    out = os.path.join(TEX, "level", "end")
    os.makedirs(out, exist_ok=True)
    img.convert("RGB").save(os.path.join(out, "loading.jpg"), quality=90)


def title_picture():
    """Portrait title: Io's horizon under a huge Kestrun, the game's name on dark glass."""
    w, h = 720, 1024
    img = moon_view("3", w, h, 0.70, (0.62, 0.34, 0.95), 55).convert("RGBA")
    overlay = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    draw = ImageDraw.Draw(overlay)
    glass_panel(draw, (40, 60, w - 40, 300), radius=14)
    small = font(DISPLAY_FONT, 40)
    big = font(DISPLAY_FONT, 112)
    for text, f, y, colour in [("THE", small, 84, AMBER), ("KESTRUN", big, 122, (235, 245, 250)),
                               ("EVENT", small, 240, AMBER)]:
        tw = draw.textlength(text, font=f)
        draw.text(((w - tw) / 2, y), text, font=f, fill=colour + (255,))
    draw.line([(80, 232), (w - 80, 232)], fill=CYAN + (255,), width=2)
    corner_marks(draw, w, h, 16, 60)
    label = font(PLAIN_FONT, 20)
    text = "HELIUM SURVEY  |  GANYMEDE  EUROPA  IO"
    tw = draw.textlength(text, font=label)
    glass_panel(draw, ((w - tw) / 2 - 18, h - 120, (w + tw) / 2 + 18, h - 82), radius=6, outline=AMBER)
    draw.text(((w - tw) / 2, h - 114), text, font=label, fill=AMBER + (255,))
    img.alpha_composite(overlay)
    img.convert("RGB").save(os.path.join(TEX, "title.jpg"), quality=90)


def badge(file, role, library, colour):
    """A credits-strip badge: the role in small amber letters over the library's name."""
    w, h = 300, 96
    img = Image.new("RGB", (w, h), (0, 0, 0))
    draw = ImageDraw.Draw(img)
    draw.rounded_rectangle((2, 2, w - 3, h - 3), radius=12, fill=GLASS, outline=colour, width=3)
    small = font(PLAIN_FONT, 18)
    big = font(DISPLAY_FONT, 44)
    tw = draw.textlength(role, font=small)
    draw.text(((w - tw) / 2, 10), role, font=small, fill=AMBER)
    tw = draw.textlength(library, font=big)
    draw.text(((w - tw) / 2, 36), library, font=big, fill=(230, 240, 245))
    out = os.path.join(TEX, "logos")
    os.makedirs(out, exist_ok=True)
    img.save(os.path.join(out, file), quality=92) if file.endswith(".jpg") else img.save(os.path.join(out, file))


if __name__ == "__main__":
    os.makedirs(TEX, exist_ok=True)
    # The three file names are the ones the menu loads; each names what this build uses.
    badge("fmod.png", "SOUND", "OpenAL Soft", CYAN)
    badge("physx.jpg", "PHYSICS", "Bullet", CYAN)
    badge("openil.jpg", "IMAGES", "DevIL", CYAN)
    loading_picture("1", (0.72, 0.16, 0.22), 21)
    loading_picture("2", (0.30, 0.18, 0.30), 22)
    loading_picture("3", (0.66, 0.20, 0.42), 23)
    end_picture()
    title_picture()
