#!/usr/bin/python3
"""Draws the application icon (a clock face over a green trading bar) into
resources/horavane-<size>.png for the sizes trays and launchers ask for.
Run from the repository root: /usr/bin/python3 tools/make_icon.py (needs python3-pil)."""
import math
from PIL import Image, ImageDraw

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
SUPER = 8  # drawn large, reduced for smooth edges


def draw(size):
    s = size * SUPER
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    pad = s * 0.04
    d.ellipse([pad, pad, s - pad, s - pad], fill=(0, 128, 0, 255))
    inner = s * 0.14
    d.ellipse([inner, inner, s - inner, s - inner], fill=(255, 255, 255, 255))
    c = s / 2
    for hour in range(12):
        a = math.radians(hour * 30)
        r1, r2 = s * 0.30, s * 0.34
        d.line([c + r1 * math.sin(a), c - r1 * math.cos(a), c + r2 * math.sin(a), c - r2 * math.cos(a)],
               fill=(64, 64, 64, 255), width=max(1, int(s * 0.03)))
    w = max(1, int(s * 0.07))
    d.line([c, c, c + s * 0.20 * math.sin(math.radians(300)), c - s * 0.20 * math.cos(math.radians(300))],
           fill=(0, 0, 0, 255), width=w)
    d.line([c, c, c + s * 0.28 * math.sin(math.radians(60)), c - s * 0.28 * math.cos(math.radians(60))],
           fill=(255, 0, 0, 255), width=max(1, w // 2))
    d.ellipse([c - w, c - w, c + w, c + w], fill=(0, 0, 0, 255))
    return img.resize((size, size), Image.LANCZOS)


for size in SIZES:
    draw(size).save(f"resources/horavane-{size}.png")
