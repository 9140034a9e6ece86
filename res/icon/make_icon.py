#!/usr/bin/env python3
"""Draw the Quillon application icon and write it as a Windows .ico file.

The artwork is two interlocked chain links (a "link" symbol) rendered from
analytic shapes, so every icon size is drawn directly at its own resolution
instead of being downscaled from a bitmap.

Usage: make_icon.py OUT.ico [--png-dir DIR]

Standard library only, so the build needs nothing beyond a Python 3.
"""

import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# Artwork source.  Geometry is in abstract design units; the whole chain is
# fitted into each icon size, so only proportions matter here.
# ---------------------------------------------------------------------------

# Each link is a stadium-shaped ring: a straight part capped by two half
# circles, traced by a centre line and given a stroke thickness.
LINK_HALF_STRAIGHT = 40.0   # half length of each link's straight sides
LINK_RADIUS = 34.0          # radius of the centre line around the rounded ends
STROKE = 24.0               # thickness of the link's "metal"
# Distance between the centres of the two facing rounded ends; smaller means
# the links overlap more deeply.
CAP_GAP = 30.0
AXIS_ANGLE_DEG = 45.0       # chain runs from lower left to upper right

# Colours (sRGB).  Each link has a light and a dark end of a top-to-bottom
# gradient plus a darker rim so the shape holds on light and dark backgrounds.
LINK_A_LIGHT = (66, 133, 244)    # deep blue link, lower left
LINK_A_DARK = (22, 70, 178)
LINK_A_RIM = (10, 30, 86)
LINK_B_LIGHT = (38, 190, 160)    # teal link, upper right
LINK_B_DARK = (10, 122, 108)
LINK_B_RIM = (5, 64, 58)

# Soft tube lighting for the larger sizes; light comes from the upper left.
LIGHT_DIR = (-0.45, -0.65, 1.0)
AMBIENT = 0.78
DIFFUSE = 0.30
HIGHLIGHT = 0.18
SHININESS = 18.0

# Per-size tuning: small icons get relatively heavier strokes, thinner or no
# rims and simpler shading so the interlock stays readable when a link is only
# a few pixels wide.
#   margin   - transparent border in pixels
#   rim      - rim width in pixels
#   stroke   - overrides STROKE (design units) when given
#   radius   - overrides LINK_RADIUS
#   straight - overrides LINK_HALF_STRAIGHT
#   cap_gap  - overrides CAP_GAP
#   knockout - transparent gap in pixels cut into the lower link around the
#              upper one at each crossing (helps where a rim is too thin)
#   shade    - enable tube lighting
#   samples  - supersampling grid per pixel axis
#   nudge    - (dx, dy) pixel offset; moving the drawing off the pixel-corner
#              grid makes the 45-degree edges come out crisper
SIZE_TUNING = {
    16: dict(margin=0.5, rim=0.0, knockout=0.8, stroke=26.0, radius=25.0,
             straight=33.0, cap_gap=30.0, nudge=(-0.5, -0.5), shade=False,
             samples=8),
    32: dict(margin=1.0, rim=0.9, stroke=28.0, radius=34.0, straight=40.0,
             cap_gap=30.0, nudge=(-0.5, -0.5), shade=True, samples=6),
    48: dict(margin=1.5, rim=1.1, stroke=26.0, nudge=(-0.5, -0.5),
             shade=True, samples=5),
    256: dict(margin=6.0, rim=4.0, shade=True, samples=4),
}

DIB_SIZES = (16, 32, 48)     # stored as 32-bit BGRA bitmaps with AND mask
PNG_SIZES = (256,)           # stored PNG-compressed (Vista and later)


# ---------------------------------------------------------------------------
# Rendering
# ---------------------------------------------------------------------------

def _lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Link:
    """One stadium ring positioned in design space."""

    def __init__(self, cx, cy, ux, uy, half_straight, radius, stroke, rim,
                 light, dark, rim_colour):
        self.cx, self.cy = cx, cy
        self.ux, self.uy = ux, uy
        self.half = half_straight
        self.radius = radius
        self.half_stroke = stroke * 0.5
        self.rim = rim
        self.light, self.dark, self.rim_colour = light, dark, rim_colour

    def distances(self, x, y):
        """Return (ring distance, signed centre-line offset, outward normal).

        ring < 0 inside the metal.  The offset runs from -half_stroke at the
        inner edge to +half_stroke at the outer edge and drives the shading.
        """
        dx, dy = x - self.cx, y - self.cy
        along = dx * self.ux + dy * self.uy
        across = -dx * self.uy + dy * self.ux
        clamped = max(-self.half, min(self.half, along))
        vx, vy = along - clamped, across
        length = math.hypot(vx, vy)
        offset = length - self.radius
        ring = abs(offset) - self.half_stroke
        if length > 1e-9:
            vx, vy = vx / length, vy / length
        else:
            vx, vy = 0.0, 1.0
        # Back to screen orientation for lighting.
        nx = vx * self.ux - vy * self.uy
        ny = vx * self.uy + vy * self.ux
        return ring, offset, nx, ny


def _shade(link, offset, nx, ny, t, shade, light):
    """Colour of the link's metal at a point (t = 0 top .. 1 bottom)."""
    base = _lerp(link.light, link.dark, t)
    if not shade:
        return base
    s = max(-1.0, min(1.0, offset / link.half_stroke))
    # The stroke is treated as a tube: the normal tilts outwards with s.
    nz = math.sqrt(max(0.0, 1.0 - s * s))
    px, py = nx * s, ny * s
    lx, ly, lz = light
    diffuse = max(0.0, px * lx + py * ly + nz * lz)
    hx, hy, hz = lx, ly, lz + 1.0
    hl = math.sqrt(hx * hx + hy * hy + hz * hz)
    glint = max(0.0, (px * hx + py * hy + nz * hz) / hl) ** SHININESS
    k = AMBIENT + DIFFUSE * diffuse
    return tuple(min(255.0, c * k + 255.0 * HIGHLIGHT * glint) for c in base)


def render(size):
    """Render the icon at `size` pixels; returns straight-alpha RGBA bytes."""
    tune = SIZE_TUNING[size]
    half = tune.get("straight", LINK_HALF_STRAIGHT)
    radius = tune.get("radius", LINK_RADIUS)
    stroke = tune.get("stroke", STROKE)
    cap_gap = tune.get("cap_gap", CAP_GAP)
    shade = tune["shade"]
    n = tune["samples"]

    ang = math.radians(AXIS_ANGLE_DEG)
    ux, uy = math.cos(ang), -math.sin(ang)   # screen y points down
    centre_dist = half + cap_gap * 0.5       # link centre from chain centre
    reach = centre_dist + half               # farthest straight-part end
    outer = radius + stroke * 0.5
    extent = max(reach * abs(ux), reach * abs(uy)) + outer
    scale = (size * 0.5 - tune["margin"]) / extent   # pixels per design unit
    rim = tune["rim"] / scale
    knockout = tune.get("knockout", 0.0) / scale
    # The rings' centre lines cross where the two facing end circles meet.
    cross_across = math.sqrt(max(0.0, radius * radius - cap_gap * cap_gap / 4))
    cross_reach = stroke * 1.2

    link_a = Link(-ux * centre_dist, -uy * centre_dist, ux, uy, half, radius,
                  stroke, rim, LINK_A_LIGHT, LINK_A_DARK, LINK_A_RIM)
    link_b = Link(ux * centre_dist, uy * centre_dist, ux, uy, half, radius,
                  stroke, rim, LINK_B_LIGHT, LINK_B_DARK, LINK_B_RIM)

    ln = math.sqrt(sum(c * c for c in LIGHT_DIR))
    light = tuple(c / ln for c in LIGHT_DIR)
    top_edge = -extent

    def colour_of(link, ring, offset, nx, ny, y):
        if ring > -link.rim:
            return link.rim_colour
        t = (y - top_edge) / (2.0 * extent)
        return _shade(link, offset, nx, ny, t, shade, light)

    def sample(x, y):
        """Opaque colour at one point, or None when it is transparent."""
        ra = link_a.distances(x, y)
        rb = link_b.distances(x, y)
        in_a, in_b = ra[0] < 0.0, rb[0] < 0.0
        if not in_a and not in_b:
            return None
        side = x * -uy + y * ux
        if knockout > 0.0 and in_a != in_b:
            # Clear a thin moat in the lower link beside the upper one, but
            # only near the crossings so the ends nested in each other's
            # opening stay whole.
            lower_hit, upper_ring = ((in_b, ra[0]) if side < 0.0
                                     else (in_a, rb[0]))
            if lower_hit and upper_ring < knockout:
                along = x * ux + y * uy
                if math.hypot(along, abs(side) - cross_across) < cross_reach:
                    return None
        if in_a and in_b:
            # Weave: A lies on top at the upper-left crossing and B at the
            # lower-right one, which is what makes the links read as
            # interlocked rather than merely overlapping.
            top = link_a if side < 0.0 else link_b
            r = ra if top is link_a else rb
            return colour_of(top, r[0], r[1], r[2], r[3], y)
        if in_a:
            return colour_of(link_a, ra[0], ra[1], ra[2], ra[3], y)
        return colour_of(link_b, rb[0], rb[1], rb[2], rb[3], y)

    # A pixel whose centre is farther than this from every edge is uniform
    # enough that one sample suffices; this keeps the 256 px image fast.
    safe = 0.75 / scale
    offsets = [((i + 0.5) / n - 0.5) / scale for i in range(n)]
    out = bytearray(size * size * 4)
    nudge_x, nudge_y = tune.get("nudge", (0.0, 0.0))
    c0x = size * 0.5 + nudge_x
    c0y = size * 0.5 + nudge_y
    for py in range(size):
        for px in range(size):
            x = (px + 0.5 - c0x) / scale
            y = (py + 0.5 - c0y) / scale
            ra = link_a.distances(x, y)[0]
            rb = link_b.distances(x, y)[0]
            near = min(abs(ra), abs(ra + link_a.rim),
                       abs(rb), abs(rb + link_b.rim),
                       abs(ra - knockout), abs(rb - knockout),
                       abs(x * -uy + y * ux))
            if near > safe:
                c = sample(x, y)
                if c is None:
                    continue
                r, g, b, a = c[0], c[1], c[2], 1.0
            else:
                sr = sg = sb = 0.0
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        c = sample(x + ox, y + oy)
                        if c is not None:
                            sr += c[0]
                            sg += c[1]
                            sb += c[2]
                            hits += 1
                if hits == 0:
                    continue
                r, g, b = sr / hits, sg / hits, sb / hits
                a = hits / float(n * n)
            i = (py * size + px) * 4
            out[i] = int(r + 0.5)
            out[i + 1] = int(g + 0.5)
            out[i + 2] = int(b + 0.5)
            out[i + 3] = int(a * 255.0 + 0.5)
    return bytes(out)


# ---------------------------------------------------------------------------
# File formats
# ---------------------------------------------------------------------------

def png_bytes(size, rgba):
    def chunk(tag, data):
        body = tag + data
        return (struct.pack(">I", len(data)) + body
                + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

    stride = size * 4
    raw = b"".join(b"\x00" + rgba[y * stride:(y + 1) * stride]
                   for y in range(size))
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(size, rgba):
    """32-bit BGRA DIB plus 1-bit AND mask, as stored inside .ico files."""
    # The header height counts the colour image and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in range(size - 1, -1, -1):          # DIB rows run bottom-up
        row = rgba[y * size * 4:(y + 1) * size * 4]
        for x in range(size):
            r, g, b, a = row[x * 4:x * 4 + 4]
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(size):
            # Mostly transparent pixels are masked out for hosts that ignore
            # the alpha channel.
            if rgba[(y * size + x) * 4 + 3] < 128:
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def ico_bytes(images):
    """images: list of (size, payload) in the order they should be listed."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, payload in images:
        dim = 0 if size >= 256 else size       # 0 encodes 256
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32,
                           len(payload), offset)
        offset += len(payload)
        body += payload
    return out + body


def main(argv):
    args = list(argv[1:])
    png_dir = None
    if "--png-dir" in args:
        i = args.index("--png-dir")
        if i + 1 >= len(args):
            sys.exit("--png-dir needs a directory")
        png_dir = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1 or args[0].startswith("-"):
        sys.exit("usage: make_icon.py OUT.ico [--png-dir DIR]")
    out_path = args[0]

    images = []
    for size in sorted(DIB_SIZES + PNG_SIZES):
        rgba = render(size)
        png = png_bytes(size, rgba)
        if png_dir:
            os.makedirs(png_dir, exist_ok=True)
            with open(os.path.join(png_dir, "quillon-%d.png" % size), "wb") as f:
                f.write(png)
        images.append((size, png if size in PNG_SIZES
                       else dib_bytes(size, rgba)))

    parent = os.path.dirname(out_path)
    if parent:
        os.makedirs(parent, exist_ok=True)
    with open(out_path, "wb") as f:
        f.write(ico_bytes(images))


if __name__ == "__main__":
    main(sys.argv)
