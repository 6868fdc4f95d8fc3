"""The head-up display's pictures: the instrument atlas "hud/hudnew_hires.png", the
compass signs "compass.png", the exhaust sprite "thrust-particle.png" and the
radiation-zone disc "danger.png" of the minimap.

The atlas is 2560 x 768. The game cuts every instrument out of it at fixed places
and draws it at half the atlas size on a 1280 x 768 design screen, so one column
unit is 128 px (0.05 of the width) and one row unit 128 px (1/6 of the height).
Coordinates below are in atlas pixels with y from the top edge. The default HUD
positions overlap the cells, so each graphic keeps to the part of its cell that
stays visible (see the sizes next to each element).

Look: a clean instrument panel, dark translucent plates with thin light edges,
cyan for what is ready or healthy, amber for fuel and warnings, red for danger.
Everything is drawn at twice the final size and scaled down once, so edges stay
smooth although the game samples the atlas with nearest filtering."""

import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFont

import lib_image as li

TEX = os.path.join(sys.argv[1] if len(sys.argv) > 1 else "../../assets", "textures")
LABEL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"
DISPLAY_FONT = "/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf"

SS = 2  # supersampling of the drawing canvas

CYAN = (86, 222, 255)
CYAN_DIM = (60, 120, 140)
GREEN = (80, 255, 190)
AMBER = (255, 178, 46)
AMBER_DIM = (140, 100, 40)
RED = (255, 64, 48)
RED_DIM = (150, 44, 36)
WHITE = (236, 246, 250)
PANEL = (8, 20, 30, 175)
PANEL_EMPTY = (6, 14, 22, 150)
OUTLINE = (0, 0, 0, 210)


def rgba(color, alpha=255):
    return tuple(color[:3]) + (alpha,)


def mix(a, b, t):
    return tuple(int(round(a[i] * (1 - t) + b[i] * t)) for i in range(3))


def font(path, size):
    return ImageFont.truetype(path, size * SS)


class Canvas:
    """An RGBA drawing surface in atlas pixels (scaled by SS internally)."""

    def __init__(self, width, height):
        self.size = (width, height)
        self.img = Image.new("RGBA", (width * SS, height * SS), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.img)

    @staticmethod
    def box(x0, y0, x1, y1):
        return [x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1]

    def rect(self, x0, y0, x1, y1, fill):
        self.draw.rectangle(self.box(x0, y0, x1, y1), fill=fill)

    def rounded(self, x0, y0, x1, y1, radius, fill=None, outline=None, width=0):
        self.draw.rounded_rectangle(self.box(x0, y0, x1, y1), radius * SS, fill=fill, outline=outline,
                                    width=width * SS)

    def line(self, points, fill, width):
        self.draw.line([(x * SS, y * SS) for x, y in points], fill=fill, width=max(1, int(width * SS)),
                       joint="curve")

    def polygon(self, points, fill, outline=None, width=0):
        self.draw.polygon([(x * SS, y * SS) for x, y in points], fill=fill, outline=outline, width=int(width * SS))

    def ellipse(self, cx, cy, r, fill=None, outline=None, width=0):
        self.draw.ellipse([(cx - r) * SS, (cy - r) * SS, (cx + r) * SS, (cy + r) * SS], fill=fill,
                          outline=outline, width=int(width * SS))

    def text(self, cx, cy, text, fnt, fill, stroke=3):
        """Text centred on (cx, cy) with a dark outline so it reads on any ground."""
        self.draw.text((cx * SS, cy * SS), text, font=fnt, fill=fill, anchor="mm", stroke_width=stroke * SS,
                       stroke_fill=OUTLINE)

    def paste(self, image, x, y):
        self.img.alpha_composite(image, (x * SS, y * SS))

    def result(self):
        return self.img.resize(self.size, Image.LANCZOS)


def vertical_text(text, fnt, fill, stroke=2):
    """A small RGBA image of text turned to read bottom to top (at canvas scale)."""
    probe = ImageDraw.Draw(Image.new("RGBA", (1, 1)))
    left, top, right, bottom = probe.textbbox((0, 0), text, font=fnt, stroke_width=stroke * SS)
    img = Image.new("RGBA", (right - left + 4, bottom - top + 4), (0, 0, 0, 0))
    ImageDraw.Draw(img).text((2 - left, 2 - top), text, font=fnt, fill=fill, stroke_width=stroke * SS,
                             stroke_fill=OUTLINE)
    return img.rotate(90, expand=True)


def paste_centred(canvas, image, cx, cy):
    x = int(round(cx * SS - image.width / 2))
    y = int(round(cy * SS - image.height / 2))
    canvas.img.alpha_composite(image, (x, y))


def horizontal_gradient(width, height, stops):
    """[height, width, 3] colours interpolated left to right through the stops."""
    xs = np.linspace(0.0, 1.0, width)
    positions = [p for p, _ in stops]
    out = np.zeros((height, width, 3))
    for channel in range(3):
        out[:, :, channel] = np.interp(xs, positions, [c[channel] for _, c in stops])[None, :]
    return out


# ---------------------------------------------------------------------------------
# Radiation bar: frame at x 0-1110, y 386-512; fill row at y 514-640, the full bar
# at x 0-1110 and the empty run at x 1110-2220. The fill is drawn 8 px in from
# each side of the frame, so the channel runs from x 8 to 1102.

RAD_W = 1110
RAD_H = 126
CHANNEL_TOP, CHANNEL_BOTTOM = 44, 112  # rows of the channel inside the element


def radiation_trefoil(c, cx, cy, r, color):
    c.ellipse(cx, cy, r, fill=rgba((20, 20, 10), 230))
    for k in range(3):
        a0 = -90 + k * 120 - 30
        c.draw.pieslice([(cx - r * 0.86) * SS, (cy - r * 0.86) * SS, (cx + r * 0.86) * SS, (cy + r * 0.86) * SS],
                        a0, a0 + 60, fill=rgba(color))
    c.ellipse(cx, cy, r * 0.26, fill=rgba((20, 20, 10), 255))
    c.ellipse(cx, cy, r * 0.16, fill=rgba(color))


def radiation_frame(c, x, y):
    label = font(LABEL_FONT, 24)
    small = font(LABEL_FONT, 18)
    # Caption plate above the channel.
    c.rounded(x + 2, y + 2, x + 420, y + 40, 10, fill=PANEL, outline=rgba(CYAN_DIM, 220), width=2)
    radiation_trefoil(c, x + 24, y + 21, 15, AMBER)
    c.text(x + 145, y + 22, "RADIATION", label, rgba(WHITE), stroke=2)
    c.text(x + 300, y + 22, "0", small, rgba(CYAN), stroke=2)
    c.line([(x + 318, y + 22), (x + 370, y + 22)], rgba(CYAN_DIM), 2)
    c.text(x + 393, y + 22, "MAX", small, rgba(RED), stroke=2)
    # The channel's edge: a light line with a dark rim, open inside.
    c.rounded(x + 1, y + CHANNEL_TOP - 7, x + RAD_W - 1, y + CHANNEL_BOTTOM + 7, 12,
              outline=rgba(OUTLINE), width=5)
    c.rounded(x + 3, y + CHANNEL_TOP - 5, x + RAD_W - 3, y + CHANNEL_BOTTOM + 5, 10,
              outline=rgba(CYAN, 235), width=3)
    # Scale ticks every tenth of the channel, short, at its top and bottom edges.
    for k in range(1, 10):
        tx = x + 8 + (RAD_W - 16) * k / 10.0
        tall = 14 if k == 5 else 9
        c.line([(tx, y + CHANNEL_TOP), (tx, y + CHANNEL_TOP + tall)], rgba(WHITE, 170), 2)
        c.line([(tx, y + CHANNEL_BOTTOM - tall), (tx, y + CHANNEL_BOTTOM)], rgba(WHITE, 170), 2)
    # The danger end of the scale.
    c.rect(x + RAD_W - 30, y + CHANNEL_BOTTOM + 9, x + RAD_W - 6, y + CHANNEL_BOTTOM + 13, rgba(RED, 230))


def radiation_fill():
    """[RAD_H, 2 * RAD_W, 4] floats: the full bar and then the empty run."""
    h = CHANNEL_BOTTOM - CHANNEL_TOP
    out = np.zeros((RAD_H, 2 * RAD_W, 4))
    # The bar shows its right end first and slides in from the left as radiation
    # grows, so the left end, seen only when radiation is high, is the red one.
    colours = horizontal_gradient(RAD_W, h, [(0.0, (255, 40, 30)), (0.55, (255, 120, 30)), (1.0, (255, 200, 60))])
    rows = np.linspace(0.0, 1.0, h)[:, None]
    shade = 0.72 + 0.28 * np.sin(np.pi * np.clip(rows * 1.1, 0, 1))  # a rounded sheen
    colours = colours * shade[:, :, None] / 255.0
    bar = np.concatenate([colours, np.full((h, RAD_W, 1), 0.95)], axis=2)
    # LED segments: thin dark gaps every 37 px.
    gaps = (np.arange(RAD_W) % 37) >= 33
    bar[:, gaps, :3] *= 0.35
    # A bright leading edge.
    bar[:, RAD_W - 6:, :3] = np.array([255, 240, 200]) / 255.0
    out[CHANNEL_TOP:CHANNEL_BOTTOM, :RAD_W] = bar
    out[CHANNEL_TOP:CHANNEL_BOTTOM, RAD_W:] = np.array(PANEL_EMPTY) / 255.0
    return out


# ---------------------------------------------------------------------------------
# Landing lamps: cells of 126 x 126 at x 0 / 128 / 256 (off, on, not working) and
# y 2 / 130 / 258 (lamps 1, 2, 3). Only the lower-left 92 x 94 of a cell stays
# clear of its neighbours.

LAMP_STATES = ("off", "on", "broken")
LAMP_NAMES = ("SPEED", "SLOPE", "ATTITUDE")


def glyph_speed(c, cx, cy, color, width):
    # A descent arrow onto the ground line.
    c.line([(cx, cy - 20), (cx, cy + 8)], color, width)
    c.polygon([(cx - 12, cy + 2), (cx + 12, cy + 2), (cx, cy + 16)], color)
    c.line([(cx - 22, cy + 22), (cx + 22, cy + 22)], color, width)


def glyph_slope(c, cx, cy, color, width):
    # An incline with its angle.
    c.polygon([(cx - 24, cy + 18), (cx + 24, cy + 18), (cx + 24, cy - 10)], None, outline=color, width=width)
    c.draw.arc([(cx - 40) * SS, (cy - 4) * SS, (cx - 4) * SS, (cy + 40) * SS], -40, 0, fill=color,
               width=int(width * SS))


def glyph_attitude(c, cx, cy, color, width):
    # An upright lander over the horizon.
    c.polygon([(cx - 10, cy - 18), (cx + 10, cy - 18), (cx + 14, cy + 2), (cx - 14, cy + 2)], color)
    c.line([(cx - 10, cy + 2), (cx - 18, cy + 14)], color, width)
    c.line([(cx + 10, cy + 2), (cx + 18, cy + 14)], color, width)
    c.line([(cx - 26, cy + 20), (cx + 26, cy + 20)], color, width)


GLYPHS = (glyph_speed, glyph_slope, glyph_attitude)


def lamp(c, x, y, which, state):
    label = font(LABEL_FONT, 17 if LAMP_NAMES[which] != "ATTITUDE" else 15)
    x0, y0, x1, y1 = x + 2, y + 34, x + 90, y + 124
    cx, cy = (x0 + x1) / 2.0, y0 + 34
    if state == "on":
        c.rounded(x0, y0, x1, y1, 12, fill=rgba((10, 60, 50), 200), outline=rgba(GREEN), width=3)
        c.ellipse(cx, cy, 28, fill=rgba(mix((10, 60, 50), GREEN, 0.3), 220))
        GLYPHS[which](c, cx, cy, rgba(GREEN), 5)
        c.text(cx, y1 - 13, LAMP_NAMES[which], label, rgba(WHITE), stroke=2)
    elif state == "off":
        c.rounded(x0, y0, x1, y1, 12, fill=PANEL, outline=rgba(CYAN_DIM, 230), width=3)
        GLYPHS[which](c, cx, cy, rgba((110, 140, 150)), 5)
        c.text(cx, y1 - 13, LAMP_NAMES[which], label, rgba((150, 170, 178)), stroke=2)
    else:
        c.rounded(x0, y0, x1, y1, 12, fill=rgba((40, 10, 10), 190), outline=rgba(RED_DIM), width=3)
        GLYPHS[which](c, cx, cy, rgba((80, 70, 70)), 5)
        c.line([(x0 + 14, y1 - 30), (x1 - 14, y0 + 10)], rgba(RED), 6)
        c.text(cx, y1 - 13, LAMP_NAMES[which], label, rgba(RED), stroke=2)


# ---------------------------------------------------------------------------------
# EMP gauge: 126 x 360 at y 24-384; rest parts (all five cells empty) at x 384
# (speed ready) and 640 (too slow), full parts at x 512 and 768. Each cell is 72 px,
# counted from the bottom. The game draws the full part up to the charge and the
# rest part above it, so both must agree everywhere but in the cells' light.

EMP_W, EMP_H, EMP_CELL = 126, 360, 72


def bomb_glyph(c, cx, cy, color):
    c.ellipse(cx, cy + 3, 13, fill=color)
    c.rect(cx - 4, cy - 16, cx + 4, cy - 8, color)
    c.line([(cx + 2, cy - 15), (cx + 10, cy - 22)], color, 3)


def emp_gauge(c, x, y, accent, lit):
    label_font = font(LABEL_FONT, 20)
    # At the default place the top 12 px of the gauge are above the screen, so the
    # panel and the top cell start below them.
    c.rounded(x + 1, y + 13, x + EMP_W - 1, y + EMP_H - 1, 12, fill=PANEL)
    for k in range(5):
        top = y + EMP_H - EMP_CELL * (k + 1)
        x0, y0, x1, y1 = x + 8, top + (15 if k == 4 else 5), x + 92, top + EMP_CELL - 5
        if lit:
            c.rounded(x0, y0, x1, y1, 9, fill=rgba(accent, 235), outline=rgba(WHITE, 220), width=2)
            c.rect(x0 + 6, y0 + 5, x1 - 6, y0 + 11, rgba(mix(accent, WHITE, 0.55), 235))
            bomb_glyph(c, (x0 + x1) / 2.0, (y0 + y1) / 2.0 + 2, rgba((10, 24, 32), 230))
        else:
            c.rounded(x0, y0, x1, y1, 9, fill=PANEL_EMPTY, outline=rgba(accent, 150), width=2)
            bomb_glyph(c, (x0 + x1) / 2.0, (y0 + y1) / 2.0 + 2, rgba(accent, 70))
    # The caption beside the cells, the same in the lit and the empty picture.
    paste_centred(c, vertical_text("EMP", label_font, rgba(accent)), x + 110, y + EMP_H - 60)
    c.line([(x + 110, y + 40), (x + 110, y + EMP_H - 100)], rgba(accent, 150), 3)


# ---------------------------------------------------------------------------------
# Fuel and helium gauges: frames of 126 x 360 at x 896 (fuel) and 1024 (helium),
# y 24-384; fills at x 2304 and 2432, the full column at y 408-768 and the empty
# run above it at y 48-408. Only the left 68 (fuel) and 60 (helium) px of a cell
# stay clear of the next instrument.

GAUGE_H = 360


def gauge_frame(c, x, y, width, accent, caption):
    label_font = font(LABEL_FONT, 20 if len(caption) < 3 else 17)
    c.rounded(x + 1, y + 1, x + width - 1, y + GAUGE_H - 1, 12, outline=rgba(OUTLINE), width=5)
    c.rounded(x + 3, y + 3, x + width - 3, y + GAUGE_H - 3, 10, outline=rgba(accent, 235), width=3)
    for k in (1, 2, 3):
        ty = y + 8 + (GAUGE_H - 16) * (1.0 - k / 4.0)
        c.line([(x + width - 16, ty), (x + width - 7, ty)], rgba(WHITE, 200), 2)
        c.line([(x + 7, ty), (x + 14, ty)], rgba(WHITE, 200), 2)
    c.text(x + width / 2.0, y + GAUGE_H - 24, caption, label_font, rgba(WHITE), stroke=3)


def gauge_fill(width, top_color, bottom_color):
    """[2 * GAUGE_H, width, 4] floats: the empty run above the full column."""
    out = np.zeros((2 * GAUGE_H, width, 4))
    inner = slice(8, width - 8)
    t = np.linspace(0.0, 1.0, GAUGE_H)[:, None]  # 0 at the top of the column
    colours = (np.array(top_color) * (1 - t) + np.array(bottom_color) * t) / 255.0
    across = np.linspace(-1.0, 1.0, width - 16)
    sheen = 0.8 + 0.2 * np.cos(across * np.pi / 2)
    column = np.zeros((GAUGE_H, width - 16, 4))
    column[:, :, :3] = colours[:, None, :] * sheen[None, :, None]
    column[:, :, 3] = 0.95
    # Segment lines every 24 px, and a bright top edge.
    gaps = (np.arange(GAUGE_H) % 24) >= 21
    column[gaps, :, :3] *= 0.4
    column[:5, :, :3] = np.array([255, 250, 235]) / 255.0
    out[GAUGE_H:, inner] = column
    out[:GAUGE_H, inner] = np.array(PANEL_EMPTY) / 255.0
    return out


# ---------------------------------------------------------------------------------
# Minimap frame: 360 x 360 at x 1152, y 24-384, drawn over the 180 x 180 map
# texture at half size. The map itself lies inside 6 px of the edge.

def minimap_frame(c, x, y):
    size = 360
    c.rounded(x + 1, y + 1, x + size - 1, y + size - 1, 14, outline=rgba(PANEL[:3], 230), width=9)
    c.rounded(x + 4, y + 4, x + size - 4, y + size - 4, 12, outline=rgba(CYAN_DIM, 240), width=3)
    arm = 56
    for sx, sy in ((0, 0), (1, 0), (0, 1), (1, 1)):
        px = x + (size - 5 if sx else 5)
        py = y + (size - 5 if sy else 5)
        dx = -1 if sx else 1
        dy = -1 if sy else 1
        c.line([(px + dx * arm, py), (px, py), (px, py + dy * arm)], rgba(CYAN), 6)
    for mx, my in ((x + size / 2.0, y + size - 8), (x + 8, y + size / 2.0), (x + size - 8, y + size / 2.0)):
        c.ellipse(mx, my, 4, fill=rgba(CYAN))
    # North is up.
    c.rounded(x + size / 2.0 - 22, y + 2, x + size / 2.0 + 22, y + 40, 9, fill=PANEL, outline=rgba(AMBER), width=3)
    c.text(x + size / 2.0, y + 21, "N", font(DISPLAY_FONT, 28), rgba(AMBER), stroke=2)


def hud_atlas():
    c = Canvas(2560, 768)
    radiation_frame(c, 0, 386)
    for which in range(3):
        for state in range(3):
            lamp(c, 128 * state, 2 + 128 * which, which, LAMP_STATES[state])
    emp_gauge(c, 384, 24, CYAN, lit=False)
    emp_gauge(c, 512, 24, CYAN, lit=True)
    emp_gauge(c, 640, 24, AMBER, lit=False)
    emp_gauge(c, 768, 24, AMBER, lit=True)
    gauge_frame(c, 896, 24, 68, AMBER, "FUEL")
    gauge_frame(c, 1024, 24, 60, CYAN, "He")
    minimap_frame(c, 1152, 24)
    atlas = np.asarray(c.result()).astype(np.float64) / 255.0

    # The fills are flat colour runs drawn straight at atlas resolution.
    atlas[514:640, 0:2 * RAD_W] = radiation_fill()
    atlas[48:768, 2304:2304 + 68] = gauge_fill(68, (255, 214, 90), (200, 96, 20))
    atlas[48:768, 2432:2432 + 60] = gauge_fill(60, (150, 240, 255), (30, 120, 190))
    return atlas


# ---------------------------------------------------------------------------------
# Compass signs: eight 256 x 256 cells side by side, N NE E SE S SW W NW; each
# stands upright in the scene, seen from the lander, so nothing is mirrored.

def compass():
    c = Canvas(2048, 256)
    names = ("N", "NE", "E", "SE", "S", "SW", "W", "NW")
    for i, name in enumerate(names):
        cx = 128 + 256 * i
        color = AMBER if name == "N" else CYAN
        big = font(DISPLAY_FONT, 150 if len(name) == 1 else 112)
        c.text(cx, 112, name, big, rgba(color), stroke=7)
        c.polygon([(cx - 22, 206), (cx + 22, 206), (cx, 242)], rgba(color), outline=rgba(OUTLINE), width=4)
    return np.asarray(c.result()).astype(np.float64) / 255.0


def thrust_particle():
    r = li.radial(64)
    alpha = np.clip(1.0 - r, 0.0, 1.0) ** 2
    img = np.ones((64, 64, 4))
    img[:, :, 3] = alpha
    return img


def danger():
    r = li.radial(128) * (128 / 124.0)
    img = np.zeros((128, 128, 4))
    img[:, :, 0], img[:, :, 1], img[:, :, 2] = 1.0, 60 / 255.0, 40 / 255.0
    body = 0.32 * np.clip(1.0 - r, 0.0, 1.0) ** 0.3
    rim = 0.75 * np.clip(1.0 - np.abs(r - 0.93) / 0.06, 0.0, 1.0)
    alpha = np.maximum(body, rim)
    alpha[r > 1.0] = 0.0
    img[:, :, 3] = alpha
    return img


if __name__ == "__main__":
    li.save_png(os.path.join(TEX, "hud", "hudnew_hires.png"), hud_atlas())
    li.save_png(os.path.join(TEX, "compass.png"), compass())
    li.save_png(os.path.join(TEX, "thrust-particle.png"), thrust_particle())
    li.save_png(os.path.join(TEX, "danger.png"), danger())
