"""The game's overlay captions: pause, mission failed and level won, drawn as white
text with a dark outline on a transparent background."""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

TEX = os.path.join(sys.argv[1] if len(sys.argv) > 1 else "../../assets", "textures")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def caption(name, title, hint, color, size=(640, 150)):
    img = Image.new("RGBA", size, (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    big = ImageFont.truetype(FONT, 64)
    small = ImageFont.truetype(FONT, 26)
    w = draw.textlength(title, font=big)
    draw.text(((size[0] - w) / 2, 8), title, font=big, fill=color, stroke_width=4, stroke_fill=(0, 0, 0, 220))
    if hint:
        w = draw.textlength(hint, font=small)
        draw.text(((size[0] - w) / 2, 98), hint, font=small, fill=(235, 235, 235, 255), stroke_width=3,
                  stroke_fill=(0, 0, 0, 200))
    img.save(os.path.join(TEX, name))


if __name__ == "__main__":
    os.makedirs(TEX, exist_ok=True)
    caption("GamePaused.png", "PAUSED", "press SPACE to continue", (255, 255, 255, 255))
    caption("MissionFailed.png", "MISSION FAILED", "press R to restart the level", (255, 90, 60, 255),
            size=(720, 150))
    caption("YouWon.png", "WELL DONE", "", (120, 255, 140, 255))
