#!/usr/bin/python3
"""Draws every picture of the RDX480 panel that is compiled in under ":/image/".

Also draws the same window icon for the desktop: the hicolor theme's PNG sizes
and a scalable SVG, installed with the menu entry.

Run from anywhere:

    /usr/bin/python3 scripts/make-artwork.py [OUTPUT_DIR [ICON_DIR]]

OUTPUT_DIR defaults to resources/image beside this script's folder, ICON_DIR to
packaging/icons there (OUTPUT_DIR/icons when only OUTPUT_DIR is given).  Needs only
Pillow (Debian: python3-pil) and, for the lettering, a TrueType font (DejaVu Sans
from fonts-dejavu-core, found through fc-match; Pillow's built-in font otherwise).

Output is deterministic: the same Pillow and font give byte-identical files on
every run, so regenerating shows up in git only when a drawing changed.  Shapes
are drawn at four times their size and scaled down for smooth edges.
"""

import io
import math
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor

BAR_GREY = (176, 176, 176)  # function bar background behind the page buttons
WAIT_BLUE = (55, 135, 215)  # wait overlay box
WHITE = (255, 255, 255)


# ---------------------------------------------------------------- helpers


def find_font(bold):
    pattern = "DejaVu Sans:bold" if bold else "DejaVu Sans"
    if shutil.which("fc-match"):
        try:
            out = subprocess.run(["fc-match", "-f", "%{file}", pattern], capture_output=True, text=True, check=True)
            path = out.stdout.strip()
            if path.lower().endswith((".ttf", ".otf", ".ttc")) and os.path.isfile(path):
                return path
        except (OSError, subprocess.CalledProcessError):
            pass
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    for folder in ("/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu", "/usr/share/fonts/TTF"):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            return path
    return None


_FONT_PATHS = {}
_FONTS = {}


def font(size, bold=False):
    """A font of `size` final pixels, already scaled for the supersampled canvas."""
    key = (size, bold)
    if key not in _FONTS:
        if bold not in _FONT_PATHS:
            _FONT_PATHS[bold] = find_font(bold)
        path = _FONT_PATHS[bold]
        _FONTS[key] = ImageFont.truetype(path, round(size * SS)) if path else ImageFont.load_default()
    return _FONTS[key]


def mix(a, b, t):
    """Colour between a (t = 0) and b (t = 1)."""
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def darker(c, t):
    return mix(c, (0, 0, 0), t)


def lighter(c, t):
    return mix(c, WHITE, t)


class Pen:
    """Draws in final-pixel coordinates on a canvas SS times larger."""

    def __init__(self, image):
        self.image = image
        self.draw = ImageDraw.Draw(image)

    @staticmethod
    def s(v):
        return v * SS

    def box(self, b):
        return [b[0] * SS, b[1] * SS, b[2] * SS, b[3] * SS]

    def pts(self, points):
        return [(x * SS, y * SS) for x, y in points]

    def rect(self, b, fill=None, outline=None, width=1.0, radius=0):
        if radius:
            self.draw.rounded_rectangle(
                self.box(b), radius=radius * SS, fill=fill, outline=outline, width=round(width * SS)
            )
        else:
            self.draw.rectangle(self.box(b), fill=fill, outline=outline, width=round(width * SS))

    def circle(self, cx, cy, r, fill=None, outline=None, width=1.0):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), fill=fill, outline=outline, width=width)

    def ellipse(self, b, fill=None, outline=None, width=1.0):
        self.draw.ellipse(self.box(b), fill=fill, outline=outline, width=round(width * SS))

    def polygon(self, points, fill=None, outline=None):
        self.draw.polygon(self.pts(points), fill=fill, outline=outline)

    def line(self, points, fill, width, round_caps=True):
        self.draw.line(self.pts(points), fill=fill, width=round(width * SS), joint="curve")
        if round_caps:
            for x, y in (points[0], points[-1]):
                self.circle(x, y, width / 2, fill=fill)

    def arc(self, b, start, end, fill, width):
        self.draw.arc(self.box(b), start, end, fill=fill, width=round(width * SS))

    def text(self, xy, text, size, fill, bold=False, anchor="la"):
        self.draw.text((xy[0] * SS, xy[1] * SS), text, font=font(size, bold), fill=fill, anchor=anchor)


def canvas(w, h, bg, mode="RGB"):
    image = Image.new(mode, (w * SS, h * SS), bg)
    return image, Pen(image)


def finish(image, w, h):
    return image.resize((w, h), Image.LANCZOS)


def vertical_gradient(w, h, top, bottom, mode="RGB"):
    """A w x h (canvas pixels) image shading from `top` to `bottom`."""
    column = Image.new(mode, (1, h))
    for y in range(h):
        column.putpixel((0, y), mix(top, bottom, y / max(1, h - 1)))
    return column.resize((w, h))


def paste_gradient(image, box, top, bottom, mask=None):
    """Fills `box` (final pixels) of the canvas with a vertical gradient, through an optional mask."""
    b = [round(v * SS) for v in box]
    w, h = b[2] - b[0], b[3] - b[1]
    grad = vertical_gradient(w, h, top, bottom, image.mode if image.mode == "RGB" else "RGBA")
    image.paste(grad, (b[0], b[1]), mask)


def disc_mask(size, inset=0):
    """An L mask (canvas pixels) holding a filled circle inset by `inset` final pixels."""
    mask = Image.new("L", (size * SS, size * SS), 0)
    ImageDraw.Draw(mask).ellipse([inset * SS, inset * SS, (size - inset) * SS - 1, (size - inset) * SS - 1], fill=255)
    return mask


# ---------------------------------------------------------------- page buttons


PAGE_COLOURS = {
    "control": (30, 136, 229),
    "mosaic": (0, 150, 136),
    "setting": (239, 124, 0),
    "advanced": (103, 58, 183),
}


def page_disc(colour):
    """The common base of the four page icons: a softly shaded disc on the bar's grey."""
    image, pen = canvas(80, 80, BAR_GREY)
    paste_gradient(image, (1, 1, 79, 79), lighter(colour, 0.18), darker(colour, 0.12), disc_mask(78))
    pen.circle(40, 40, 38.5, outline=darker(colour, 0.25), width=1.0)
    return image, pen


def icon_control():
    colour = PAGE_COLOURS["control"]
    image, pen = page_disc(colour)
    idle = mix(colour, WHITE, 0.5)
    pivot = (46, 40)
    inputs = [(22, 27), (22, 40), (22, 53)]
    # Idle inputs reach only halfway: the switch is open there.
    for x, y in inputs[1:]:
        pen.line([(x, y), (x + (pivot[0] - x) * 0.45, y + (pivot[1] - y) * 0.45)], idle, 2.5)
        pen.circle(x, y, 4, fill=idle)
    pen.line([inputs[0], pivot], WHITE, 3.5)
    pen.circle(*inputs[0], 4.5, fill=WHITE)
    pen.line([pivot, (57, 40)], WHITE, 3.5)
    pen.polygon([(55, 33), (64, 40), (55, 47)], fill=WHITE)
    pen.circle(*pivot, 4.5, fill=WHITE)
    return finish(image, 80, 80)


def icon_mosaic():
    colour = PAGE_COLOURS["mosaic"]
    image, pen = page_disc(colour)
    left, top, cw, ch, gap = 19, 21, 20, 13, 2
    for row in range(2):
        for col in range(2):
            x = left + col * (cw + gap)
            y = top + row * (ch + gap)
            pen.rect((x, y, x + cw, y + ch), fill=WHITE, radius=1.5)
    # One pane tinted to show a picture spanning the wall's corner.
    pen.rect((left + 3, top + 3, left + cw - 3, top + ch - 3), fill=lighter(colour, 0.55), radius=1)
    pen.line([(40, 50), (40, 56)], WHITE, 3, round_caps=False)
    pen.line([(30, 57), (50, 57)], WHITE, 3)
    return finish(image, 80, 80)


def gear_points(cx, cy, r_out, r_in, teeth):
    pitch = 2 * math.pi / teeth
    points = []
    for i in range(teeth):
        a = i * pitch - math.pi / 2
        for radius, offset in ((r_in, -0.27), (r_out, -0.15), (r_out, 0.15), (r_in, 0.27)):
            points.append((cx + radius * math.cos(a + offset * pitch), cy + radius * math.sin(a + offset * pitch)))
    return points


def icon_setting():
    colour = PAGE_COLOURS["setting"]
    image, pen = page_disc(colour)
    pen.polygon(gear_points(40, 40, 24, 17.5, 8), fill=WHITE)
    pen.circle(40, 40, 18, fill=WHITE)
    pen.circle(40, 40, 7.5, fill=mix(lighter(colour, 0.18), darker(colour, 0.12), 0.5))
    return finish(image, 80, 80)


def icon_information():
    colour = PAGE_COLOURS["advanced"]
    image, pen = page_disc(colour)
    pen.circle(40, 40, 23, outline=WHITE, width=3.5)
    pen.circle(40, 29, 3.5, fill=WHITE)
    pen.rect((37, 35, 43, 52), fill=WHITE, radius=1)
    pen.rect((34, 35, 42, 38.5), fill=WHITE, radius=1)
    pen.rect((33.5, 49.5, 46.5, 53), fill=WHITE, radius=1)
    return finish(image, 80, 80)


# ---------------------------------------------------------------- small pictures


def button_mask():
    """Opaque disc of diameter 80 on transparency; the page buttons take their shape
    from its alpha, and the day list shows it as the 'not ticked' mark."""
    image, pen = canvas(80, 80, (0, 0, 0, 0), "RGBA")
    pen.circle(40, 40, 40, fill=(150, 150, 150, 255))
    pen.circle(40, 40, 36, fill=(222, 222, 222, 255))
    return finish(image, 80, 80)


def home():
    colour = (21, 101, 192)
    image, pen = canvas(50, 50, (0, 0, 0, 0), "RGBA")
    pen.rect((32, 9, 37.5, 20), fill=colour)  # chimney, behind the roof line
    pen.line([(6, 25), (25, 7), (44, 25)], colour, 5)
    pen.polygon([(12, 26), (25, 14), (38, 26)], fill=colour)
    pen.rect((12, 25, 38, 44), fill=colour, radius=1.5)
    pen.rect((21, 31, 29, 44), fill=(0, 0, 0, 0), radius=1.5)  # door
    return finish(image, 50, 50)


def red_light():
    """A lit red LED.  The glow is computed per pixel so the highlight sits off-centre."""
    size = 15 * SS
    image = Image.new("RGB", (size, size), (240, 240, 240))
    cx = cy = size / 2
    r = 7.0 * SS
    hx, hy = cx - 2.2 * SS, cy - 2.4 * SS  # brightest point, up and to the left
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d > r:
                continue
            if d > r - 1.0 * SS:
                image.putpixel((x, y), (110, 10, 10))  # bezel
                continue
            t = min(1.0, math.hypot(x + 0.5 - hx, y + 0.5 - hy) / (1.55 * r))
            image.putpixel((x, y), mix((255, 140, 120), (175, 0, 0), t))
    overlay = Image.new("RGBA", image.size, (0, 0, 0, 0))
    Pen(overlay).ellipse((3.4, 3.2, 7.4, 6.2), fill=(255, 255, 255, 150))
    image.paste(overlay, (0, 0), overlay)
    return finish(image, 15, 15)


def toggle(on):
    image, pen = canvas(60, 60, WHITE)
    track = (52, 199, 89) if on else (196, 196, 200)
    pen.rect((3, 15, 57, 45), fill=track, radius=15)
    pen.rect((3, 15, 57, 45), outline=darker(track, 0.12), width=1, radius=15)
    knob_x = 42 if on else 18
    pen.circle(knob_x, 31, 12.5, fill=mix(darker(track, 0.35), WHITE, 0.3))  # soft shadow
    pen.circle(knob_x, 30, 12, fill=WHITE)
    if on:
        pen.line([(17, 24), (17, 36)], WHITE, 3)  # "I" mark on the exposed track
    else:
        pen.circle(43, 30, 5.5, outline=(140, 140, 146), width=2.5)  # "O" mark
    return finish(image, 60, 60)


def check_box(ticked):
    image, pen = canvas(32, 32, WHITE)
    if ticked:
        pen.rect((3, 3, 29, 29), fill=(30, 136, 229), radius=5)
        pen.line([(9, 16.5), (14, 21.5), (23.5, 10.5)], WHITE, 3.5)
    else:
        pen.rect((3, 3, 29, 29), fill=WHITE, outline=(140, 146, 152), width=2, radius=5)
    return finish(image, 32, 32)


def picture_glyph():
    image, pen = canvas(64, 64, WHITE)
    frame = (5, 10, 59, 54)
    scene = Image.new("RGB", image.size, (0, 0, 0))
    sp = Pen(scene)
    paste_gradient(scene, frame, (120, 190, 240), (200, 230, 250))
    sp.circle(44, 22, 5.5, fill=(255, 196, 45))
    sp.polygon([(3, 56), (22, 28), (42, 56)], fill=(67, 160, 71))
    sp.polygon([(24, 56), (42, 35), (62, 56)], fill=(46, 125, 50))
    sp.polygon([(22, 28), (26.2, 34.2), (22, 33), (17.8, 34.2)], fill=(235, 245, 235))  # snow cap
    inner = Image.new("L", image.size, 0)
    ImageDraw.Draw(inner).rounded_rectangle(Pen(inner).box(frame), radius=4 * SS, fill=255)
    image.paste(scene, (0, 0), inner)
    pen.rect(frame, outline=(84, 96, 110), width=3, radius=4)
    return finish(image, 64, 64)


def preview_background():
    """The output screen behind the PIP windows: crisp one-pixel grid, no supersampling.
    Drawn with a five-grey palette so the 8-bit file stays a third of the size of a 24-bit one."""
    w, h = 640, 360
    greys = [226, 214, 198, 178, 160]
    field, minor, major, centre, border = range(len(greys))
    image = Image.new("P", (w, h), field)
    image.putpalette([g for grey in greys for g in (grey, grey, grey)])
    draw = ImageDraw.Draw(image)
    for step, index in ((10, minor), (40, major)):
        for x in range(0, w, step):
            draw.line([(x, 0), (x, h - 1)], fill=index)
        for y in range(0, h, step):
            draw.line([(0, y), (w - 1, y)], fill=index)
    draw.line([(w // 2, 0), (w // 2, h - 1)], fill=centre)
    draw.line([(0, h // 2), (w - 1, h // 2)], fill=centre)
    draw.rectangle([0, 0, w - 1, h - 1], outline=border)
    return image


# ---------------------------------------------------------------- wait spinner


def spinner_frames(count=12, size=64):
    frames = []
    segment = 360 / count
    for frame in range(count):
        image, pen = canvas(size, size, WAIT_BLUE)
        c = size / 2
        r = size / 2 - 6
        for i in range(count):
            # Segment `frame` is the head; the ones behind it fade into the box colour.
            age = (frame - i) % count
            colour = mix(WHITE, WAIT_BLUE, min(0.78, age / 7))
            start = -90 + i * segment + 3
            pen.arc((c - r, c - r, c + r, c + r), start, start + segment - 6, colour, 7)
        frames.append(finish(image, size, size))
    return frames


def save_gif(frames, path, duration):
    # One shared palette from the box blue to white, no dithering: every frame maps the same way.
    steps = 64
    palette = []
    for i in range(steps):
        palette.extend(mix(WAIT_BLUE, WHITE, i / (steps - 1)))
    palette.extend([0, 0, 0] * (256 - steps))
    holder = Image.new("P", (1, 1))
    holder.putpalette(palette)
    indexed = [f.quantize(palette=holder, dither=Image.Dither.NONE) for f in frames]
    indexed[0].save(
        path, save_all=True, append_images=indexed[1:], duration=duration, loop=0, optimize=False, disposal=1
    )


# ---------------------------------------------------------------- device picture


def connector_bnc(pen, cx, cy):
    pen.rect((cx - 12, cy - 2, cx + 12, cy + 2), fill=(150, 154, 160), radius=1.5)  # bayonet studs
    pen.circle(cx, cy, 9.5, fill=(186, 190, 196))
    pen.circle(cx, cy, 9.5, outline=(120, 124, 130), width=1)
    pen.circle(cx, cy, 6.5, fill=(40, 42, 46))
    pen.circle(cx, cy, 3.5, fill=(230, 232, 235))
    pen.circle(cx, cy, 1.4, fill=(214, 170, 70))


def connector_vga(pen, cx, cy):
    for sx in (cx - 17, cx + 17):
        pen.circle(sx, cy, 2.6, fill=(176, 180, 186))
        pen.line([(sx - 1.4, cy), (sx + 1.4, cy)], (90, 94, 100), 0.7, round_caps=False)
    pen.polygon([(cx - 13, cy - 7), (cx + 13, cy - 7), (cx + 10.5, cy + 7), (cx - 10.5, cy + 7)], fill=(186, 190, 196))
    pen.polygon([(cx - 11, cy - 5), (cx + 11, cy - 5), (cx + 9, cy + 5), (cx - 9, cy + 5)], fill=(36, 62, 140))
    for row, (n, y) in enumerate(((5, cy - 2.8), (5, cy), (5, cy + 2.8))):
        half = 8 - row * 0.8
        for k in range(n):
            pen.circle(cx - half + k * (2 * half / (n - 1)), y, 0.7, fill=(20, 24, 40))


def connector_hdmi(pen, cx, cy):
    outer = [(-12, -5.5), (12, -5.5), (12, 1), (8.5, 5.5), (-8.5, 5.5), (-12, 1)]
    inner = [(-10, -3.8), (10, -3.8), (10, 0.6), (7.2, 3.8), (-7.2, 3.8), (-10, 0.6)]
    pen.polygon([(cx + x, cy + y) for x, y in outer], fill=(190, 194, 200))
    pen.polygon([(cx + x, cy + y) for x, y in inner], fill=(22, 22, 24))
    pen.rect((cx - 7.5, cy - 1.8, cx + 7.5, cy + 0.2), fill=(80, 80, 84))


def connector_dvi(pen, cx, cy):
    outer = [(-16, -6.5), (16, -6.5), (16, 3.5), (13, 6.5), (-13, 6.5), (-16, 3.5)]
    inner = [(-14, -4.8), (14, -4.8), (14, 2.8), (11.8, 4.8), (-11.8, 4.8), (-14, 2.8)]
    pen.polygon([(cx + x, cy + y) for x, y in outer], fill=(190, 194, 200))
    pen.polygon([(cx + x, cy + y) for x, y in inner], fill=(236, 236, 232))
    for row in range(3):
        for col in range(8):
            x, y = cx - 12.5 + col * 2.3, cy - 3.3 + row * 2.3
            pen.rect((x, y, x + 1.2, y + 1.2), fill=(60, 60, 64))
    pen.rect((cx + 7.5, cy - 0.6, cx + 12.5, cy + 0.6), fill=(60, 60, 64))  # flat blade


def connector_ext(pen, cx, cy):
    outer = [(-10, -5.5), (10, -5.5), (10, 5.5), (-7, 5.5), (-10, 2.5)]
    inner = [(-8.5, -4), (8.5, -4), (8.5, 4), (-6.2, 4), (-8.5, 1.7)]
    pen.polygon([(cx + x, cy + y) for x, y in outer], fill=(190, 194, 200))
    pen.polygon([(cx + x, cy + y) for x, y in inner], fill=(22, 22, 24))
    pen.rect((cx - 5, cy - 1.5, cx + 7, cy + 0.5), fill=(80, 80, 84))


def led(pen, cx, cy, colour, lit, r=2.6):
    if lit:
        glow = Image.new("RGBA", pen.image.size, (0, 0, 0, 0))
        Pen(glow).circle(cx, cy, r * 2.6, fill=colour + (90,))
        glow = glow.filter(ImageFilter.GaussianBlur(2.5 * SS))
        pen.image.paste(glow, (0, 0), glow)
        pen.circle(cx, cy, r, fill=lighter(colour, 0.25))
        pen.circle(cx - r * 0.3, cy - r * 0.3, r * 0.35, fill=lighter(colour, 0.8))
    else:
        pen.circle(cx, cy, r, fill=(58, 60, 64))
        pen.circle(cx, cy, r, outline=(30, 31, 34), width=0.6)


def device_picture():
    w, h = 700, 300
    image, pen = canvas(w, h, (0, 0, 0))
    paste_gradient(image, (0, 0, w, h), (243, 245, 248), (201, 206, 213))

    # Soft shadow on the surface under the unit.
    shadow = Image.new("RGBA", image.size, (0, 0, 0, 0))
    Pen(shadow).ellipse((30, 226, 670, 262), fill=(20, 24, 30, 120))
    shadow = shadow.filter(ImageFilter.GaussianBlur(9 * SS))
    image.paste(shadow, (0, 0), shadow)

    front_top, front_bottom = 112, 238
    back_y, back_l, back_r = 58, 80, 620
    front_l, front_r = 42, 658

    # Top cover, seen from slightly above, with ventilation slots that follow the perspective.
    pen.polygon([(back_l, back_y), (back_r, back_y), (front_r, front_top), (front_l, front_top)], fill=(66, 70, 77))
    rim = [(back_l, back_y), (back_r, back_y), (back_r + 1, back_y + 2), (back_l - 1, back_y + 2)]
    pen.polygon(rim, fill=(92, 96, 104))
    for row in range(4):
        t = 0.22 + row * 0.16
        y = back_y + (front_top - back_y) * t
        left = back_l + (front_l - back_l) * t
        right = back_r + (front_r - back_r) * t
        span = right - left
        for k in range(18):
            x0 = left + span * (0.30 + k * 0.022)
            pen.rect((x0, y - 1.0 - t, x0 + span * 0.012, y + 1.0 + t), fill=(40, 43, 48), radius=0.8)

    # Front panel and the edge where the cover meets it.
    paste_gradient(image, (front_l, front_top, front_r, front_bottom), (58, 62, 69), (33, 36, 41))
    pen.rect((front_l, front_top, front_r, front_top + 1.5), fill=(128, 133, 141))
    pen.rect((front_l, front_bottom - 1.5, front_r, front_bottom), fill=(22, 24, 27))

    # Rack ears with their mounting slots, and the carrying handles.
    for x0, x1 in ((16, front_l), (front_r, 684)):
        paste_gradient(image, (x0, front_top - 2, x1, front_bottom + 2), (200, 204, 210), (150, 155, 162))
        pen.rect((x0, front_top - 2, x1, front_bottom + 2), outline=(120, 124, 131), width=1)
        for y in (136, 214):
            mx = (x0 + x1) / 2
            pen.rect((mx - 6.5, y - 3.6, mx + 6.5, y + 3.6), fill=(44, 46, 50), radius=3.6)
            pen.rect((mx - 6.5, y - 3.6, mx + 6.5, y + 3.6), outline=(110, 114, 120), width=0.6, radius=3.6)
    for hx in (52, 648):
        pen.rect((hx - 5, 124, hx + 5, 226), fill=(176, 180, 187), radius=5)
        pen.rect((hx - 5, 124, hx + 5, 226), outline=(105, 109, 116), width=0.8, radius=5)
        pen.rect((hx - 2.5, 130, hx - 0.5, 220), fill=(214, 218, 224), radius=1)
        for y in (124, 226):
            pen.rect((hx - 6.5, y - 2.5, hx + 6.5, y + 2.5), fill=(120, 124, 131), radius=1.5)

    # Name plate.
    pen.text((74, 142), "RDX480", 27, (245, 246, 248), bold=True, anchor="lm")
    pen.rect((75, 160, 196, 161.6), fill=WAIT_BLUE)
    pen.text((75, 172), "VIDEO PROCESSOR", 8.5, (188, 193, 201), bold=True, anchor="lm")
    pen.text((75, 185), "SWITCHER  ·  SPLICER", 7.5, (150, 156, 165), anchor="lm")
    pen.text((75, 214), "8 INPUTS  ·  PIP  ·  MOSAIC", 7, (120, 126, 136), anchor="lm")

    # Input bay: one row of status LEDs above one row of connectors with their names.
    bay = (208, 122, 552, 228)
    pen.rect(bay, fill=(27, 29, 33), radius=5)
    pen.rect(bay, outline=(78, 83, 91), width=1, radius=5)
    pen.text((218, 131), "INPUTS", 7, (150, 156, 165), bold=True, anchor="lm")
    inputs = [
        ("V1", connector_bnc),
        ("V2", connector_bnc),
        ("VGA", connector_vga),
        ("HDMI1", connector_hdmi),
        ("HDMI2", connector_hdmi),
        ("DVI1", connector_dvi),
        ("DVI2", connector_dvi),
        ("EXT.", connector_ext),
    ]
    pitch = (bay[2] - bay[0] - 16) / len(inputs)
    for i, (name, draw_connector) in enumerate(inputs):
        cx = bay[0] + 8 + pitch * (i + 0.5)
        led(pen, cx, 150, (60, 220, 90), lit=(name == "HDMI1"))
        draw_connector(pen, cx, 176)
        pen.text((cx, 207), name, 8, (214, 218, 224), bold=True, anchor="mm")
    pen.line([(bay[0] + 10, 196), (bay[2] - 10, 196)], (58, 62, 69), 0.8, round_caps=False)

    # Status lights and the take button.
    status = [("POWER", (70, 225, 100), True), ("RUN", (80, 170, 255), True), ("LINK", (255, 176, 40), False)]
    for k, (name, colour, lit) in enumerate(status):
        y = 136 + k * 17
        led(pen, 570, y, colour, lit, r=2.8)
        pen.text((579, y), name, 7.5, (188, 193, 201), bold=True, anchor="lm")
    pen.rect((563, 190, 631, 214), fill=(46, 49, 55), radius=4)
    pen.rect((565, 192, 629, 212), fill=(176, 40, 40), radius=3)
    pen.rect((565, 192, 629, 196), fill=(205, 70, 66), radius=2)
    pen.text((597, 203), "TAKE", 8.5, WHITE, bold=True, anchor="mm")

    return finish(image, w, h)


# ---------------------------------------------------------------- window icon


def emblem(size):
    """The window icon at one size; the smallest sizes leave out the lettering."""
    image = Image.new("RGBA", (size * SS, size * SS), (0, 0, 0, 0))
    k = size / 256  # drawn in 256-unit coordinates
    pen = Pen(image)

    def b(box):
        return tuple(v * k for v in box)

    plate = b((8, 8, 248, 248))
    bg = Image.new("L", image.size, 0)
    ImageDraw.Draw(bg).rounded_rectangle(pen.box(plate), radius=52 * k * SS, fill=255)
    paste_gradient(image, plate, (52, 146, 235), (18, 78, 168), bg.crop(pen.box(plate)))

    with_text = size >= 48
    screen = b((40, 44, 216, 150)) if with_text else b((30, 46, 226, 172))
    line = (12 if with_text else 16) * k
    if size <= 16:
        # Too small for panes: a lit screen split by a one-pixel cross.
        pen.rect(screen, fill=WHITE, radius=14 * k)
        sx, sy = (screen[0] + screen[2]) / 2, (screen[1] + screen[3]) / 2
        cross = (38, 112, 200)
        pen.rect((sx - 0.5, screen[1] + 2, sx + 0.5, screen[3] - 2), fill=cross)
        pen.rect((screen[0] + 2, sy - 0.5, screen[2] - 2, sy + 0.5), fill=cross)
    else:
        pen.rect(screen, outline=WHITE, width=line, radius=14 * k)
        wall(pen, screen, line, k)
    stand_top = screen[3]
    pen.rect((112 * k, stand_top, 144 * k, stand_top + 18 * k), fill=WHITE)
    pen.rect((82 * k, stand_top + 16 * k, 174 * k, stand_top + 28 * k), fill=WHITE, radius=6 * k)
    if with_text:
        pen.text((128 * k, 212 * k), "RDX", 62 * k, WHITE, bold=True, anchor="mm")
    return finish(image, size, size)


def wall(pen, screen, line, k):
    """A 2 x 2 video wall inside the emblem's screen."""
    x0, y0, x1, y1 = screen
    x0, y0, x1, y1 = x0 + line * 1.7, y0 + line * 1.7, x1 - line * 1.7, y1 - line * 1.7
    gap = 8 * k
    cw, ch = (x1 - x0 - gap) / 2, (y1 - y0 - gap) / 2
    for r in range(2):
        for c in range(2):
            px, py = x0 + c * (cw + gap), y0 + r * (ch + gap)
            shade = WHITE if (r, c) == (0, 0) else (190, 215, 245)
            pen.rect((px, py, px + cw, py + ch), fill=shade, radius=4 * k)


def ico_bmp_entry(im):
    """An ICO image in the classic DIB layout (32-bit BGRA plus the 1-bit AND mask)."""
    w, h = im.size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = im.getpixel((x, y))
            pixels += bytes((b, g, r, a))
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if im.getpixel((x, y))[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(pixels) + bytes(mask)


def save_ico(images, path):
    # Small sizes as DIBs, which every reader handles; 256 as PNG, as usual for that size.
    blobs = []
    for im in images:
        if im.size[0] >= 256:
            buf = io.BytesIO()
            im.save(buf, "PNG", optimize=True)
            blobs.append(buf.getvalue())
        else:
            blobs.append(ico_bmp_entry(im))
    offset = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for im, blob in zip(images, blobs):
        w, h = im.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


APP_ID = "org.rdx480.Panel"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def hex_colour(c):
    return "#%02x%02x%02x" % c


def emblem_svg():
    """The emblem with lettering as SVG, on the same 256-unit grid as emblem(); Pillow strokes inside
    a box, SVG on its outline, so the screen frame is inset by half its width."""
    light, pane = hex_colour((190, 215, 245)), []
    x0, y0, x1, y1 = 40 + 12 * 1.7, 44 + 12 * 1.7, 216 - 12 * 1.7, 150 - 12 * 1.7
    cw, ch = (x1 - x0 - 8) / 2, (y1 - y0 - 8) / 2
    for r in range(2):
        for c in range(2):
            fill = "#ffffff" if (r, c) == (0, 0) else light
            pane.append(
                f'  <rect x="{x0 + c * (cw + 8):.2f}" y="{y0 + r * (ch + 8):.2f}" width="{cw:.2f}" '
                f'height="{ch:.2f}" rx="4" fill="{fill}"/>'
            )
    # Pillow's "mm" anchor centres the text between ascender and descender; SVG places the baseline.
    path = find_font(True)
    ascent, descent = ImageFont.truetype(path, 62).getmetrics() if path else (58, 14)
    baseline = 212 + (ascent - descent) / 2
    return "\n".join(
        [
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
            '  <defs><linearGradient id="plate" x1="0" y1="0" x2="0" y2="1">',
            f'    <stop offset="0" stop-color="{hex_colour((52, 146, 235))}"/>',
            f'    <stop offset="1" stop-color="{hex_colour((18, 78, 168))}"/>',
            "  </linearGradient></defs>",
            '  <rect x="8" y="8" width="240" height="240" rx="52" fill="url(#plate)"/>',
            '  <rect x="46" y="50" width="164" height="94" rx="8" fill="none" stroke="#ffffff" stroke-width="12"/>',
            *pane,
            '  <rect x="112" y="150" width="32" height="18" fill="#ffffff"/>',
            '  <rect x="82" y="166" width="92" height="12" rx="6" fill="#ffffff"/>',
            f'  <text x="128" y="{baseline:.1f}" font-family="DejaVu Sans, sans-serif" font-weight="bold" '
            'font-size="62" text-anchor="middle" fill="#ffffff">RDX</text>',
            "</svg>",
            "",
        ]
    )


def save_icons(folder):
    """The hicolor theme's layout, so the build installs the folder as it is."""
    for size in ICON_SIZES:
        apps = os.path.join(folder, "hicolor", f"{size}x{size}", "apps")
        os.makedirs(apps, exist_ok=True)
        emblem(size).save(os.path.join(apps, APP_ID + ".png"), optimize=True)
    apps = os.path.join(folder, "hicolor", "scalable", "apps")
    os.makedirs(apps, exist_ok=True)
    with open(os.path.join(apps, APP_ID + ".svg"), "w", encoding="utf-8") as f:
        f.write(emblem_svg())


# ---------------------------------------------------------------- main


def main(argv):
    if len(argv) > 3 or (len(argv) == 2 and argv[1] in ("-h", "--help")):
        print(__doc__.strip())
        return 0 if len(argv) == 2 else 2
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) >= 2 else os.path.join(here, os.pardir, "resources", "image")
    out = os.path.normpath(out)
    if len(argv) == 3:
        icons = argv[2]
    else:
        icons = os.path.join(out, "icons") if len(argv) == 2 else os.path.join(here, os.pardir, "packaging", "icons")
    icons = os.path.normpath(icons)
    os.makedirs(out, exist_ok=True)

    def path(name):
        return os.path.join(out, name)

    icon_control().save(path("control.bmp"))
    icon_mosaic().save(path("mosaic.bmp"))
    icon_setting().save(path("Setting.bmp"))
    icon_information().save(path("advanced.bmp"))
    button_mask().save(path("mask.png"), optimize=True)
    home().save(path("home.png"), optimize=True)
    save_gif(spinner_frames(), path("wait.gif"), duration=80)
    jpeg = dict(quality=92, subsampling=0, optimize=True)
    device_picture().save(path("RDX480.jpg"), **jpeg)
    red_light().save(path("red_lig.bmp"))
    toggle(True).save(path("time_star.jpg"), **jpeg)
    toggle(False).save(path("time_close.jpg"), **jpeg)
    check_box(True).save(path("check.jpg"), **jpeg)
    check_box(False).save(path("uncheck.jpg"), **jpeg)
    picture_glyph().save(path("image.bmp"))
    preview_background().save(path("preview.bmp"))
    save_ico([emblem(s) for s in (16, 32, 48, 64, 256)], path("main.ico"))
    save_icons(icons)
    print("wrote 16 pictures to " + out)
    print(f"wrote {len(ICON_SIZES) + 1} icons to " + icons)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
