#!/usr/bin/python3
"""Draws the client's skin: every bitmap, the two icons and the hand cursor, and the demo
installation's idle picture.

Run from anywhere with Debian's python3 (python3-pil, fonts-wqy-microhei,
fonts-liberation):  /usr/bin/python3 res/art/make_skin.py
The outputs are committed, so a build never needs this script or its fonts.
"""

import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFont

RES = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BITMAPS = os.path.join(RES, "bitmaps")
ICONS = os.path.join(RES, "icons")
CURSORS = os.path.join(RES, "cursors")
IDLE_PICTURE = os.path.join(os.path.dirname(RES), "demo", "AD", "Pic1.BMP")

CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
LATIN_BOLD = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"
LATIN_BOLD_ITALIC = "/usr/share/fonts/truetype/liberation/LiberationSans-BoldItalic.ttf"

S = 4  # shapes are drawn at 4x and box-filtered down, which anti-aliases them

# ---------------------------------------------------------------- colours
NAVY_DEEP = (8, 34, 78)
NAVY = (16, 50, 104)
INK = (20, 46, 92)
WHITE = (255, 255, 255)
ACCENT = (255, 138, 28)
ACCENT_LIGHT = (255, 196, 72)
HOT_RED = (214, 32, 32)
SUBTITLE = (176, 208, 246)

# deep blue title bar with a glossy upper half
TITLE_STOPS = [(0.0, (44, 104, 182)), (0.47, (22, 70, 140)),
               (0.48, (12, 50, 110)), (1.0, (22, 72, 146))]
# brushed silver used by the utility corner of the title bar
SILVER_STOPS = [(0.0, (250, 252, 255)), (0.45, (234, 239, 246)),
                (0.46, (222, 229, 239)), (1.0, (204, 214, 228))]
# channel column and player bar share one light gradient
LIGHT_STOPS = [(0.0, (252, 253, 255)), (1.0, (222, 230, 241))]
# raised blue button face (selected channel, hot tab, column header)
BUTTON_STOPS = [(0.0, (98, 162, 236)), (0.48, (46, 112, 204)),
                (0.49, (30, 90, 182)), (1.0, (44, 116, 206))]
# the hot tab is lighter still, so it stands out of the deep blue bar
HOT_STOPS = [(0.0, (136, 196, 252)), (0.48, (72, 146, 232)),
             (0.49, (50, 122, 218)), (1.0, (84, 160, 240))]
EDGE_DARK = (10, 38, 86)
EDGE_SILVER = (150, 166, 192)

CHANNEL_NAMES = ["综合频道", "新闻资讯", "体育赛事", "电影频道", "电视剧场",
                 "综艺娱乐", "少儿动画", "音乐现场", "财经观察", "科教纪实",
                 "生活时尚", "戏曲曲艺", "旅游风光", "军事纵横"]


def font(path, size, index=0):
    return ImageFont.truetype(path, size, index=index)


def cjk(size):
    return font(CJK_FONT, size)


# ---------------------------------------------------------------- drawing
def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def stop_colour(stops, t):
    t = min(max(t, 0.0), 1.0)
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return lerp(c0, c1, 0.0 if t1 == t0 else (t - t0) / (t1 - t0))
    return stops[-1][1]


class Layer:
    """An RGBA canvas at S times the final size; coordinates are final pixels."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.im = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))

    @staticmethod
    def _box(box):
        x0, y0, x1, y1 = box
        return [x0 * S, y0 * S, x1 * S - 1, y1 * S - 1]

    def _source(self, paint):
        size = self.im.size
        if paint[0] in ("v", "h"):
            kind, a, b, stops = paint
            n = size[1] if kind == "v" else size[0]
            strip = Image.new("RGBA", (1, n) if kind == "v" else (n, 1))
            px = strip.load()
            for i in range(n):
                t = ((i + 0.5) / S - a) / float(b - a)
                c = stop_colour(stops, t)
                c = c if len(c) == 4 else c + (255,)
                px[(0, i) if kind == "v" else (i, 0)] = c
            return strip.resize(size, Image.NEAREST)
        colour = paint if len(paint) == 4 else tuple(paint) + (255,)
        return Image.new("RGBA", size, colour)

    def fill(self, mask, paint):
        src = self._source(paint)
        src.putalpha(ImageChops.multiply(mask, src.getchannel("A")))
        self.im.alpha_composite(src)

    def mask(self):
        m = Image.new("L", self.im.size, 0)
        return m, ImageDraw.Draw(m)

    def rect(self, box, paint, radius=0):
        m, d = self.mask()
        if radius:
            d.rounded_rectangle(self._box(box), radius=radius * S, fill=255)
        else:
            d.rectangle(self._box(box), fill=255)
        self.fill(m, paint)

    def frame(self, box, paint, radius=0, width=1.0):
        """A ring between box and box shrunk by width."""
        m, d = self.mask()
        x0, y0, x1, y1 = box
        w = width
        if radius:
            d.rounded_rectangle(self._box(box), radius=radius * S, fill=255)
            d.rounded_rectangle(self._box((x0 + w, y0 + w, x1 - w, y1 - w)),
                                radius=max(radius - w, 0) * S, fill=0)
        else:
            d.rectangle(self._box(box), fill=255)
            d.rectangle(self._box((x0 + w, y0 + w, x1 - w, y1 - w)), fill=0)
        self.fill(m, paint)

    def ellipse(self, box, paint):
        m, d = self.mask()
        d.ellipse(self._box(box), fill=255)
        self.fill(m, paint)

    def ring(self, box, paint, width=1.0):
        m, d = self.mask()
        x0, y0, x1, y1 = box
        d.ellipse(self._box(box), fill=255)
        d.ellipse(self._box((x0 + width, y0 + width, x1 - width, y1 - width)), fill=0)
        self.fill(m, paint)

    def polygon(self, points, paint):
        m, d = self.mask()
        d.polygon([(x * S, y * S) for x, y in points], fill=255)
        self.fill(m, paint)

    def line(self, points, paint, width=1.0):
        m, d = self.mask()
        d.line([(x * S, y * S) for x, y in points], fill=255, width=int(width * S),
               joint="curve")
        self.fill(m, paint)

    def arc(self, box, start, end, paint, width=1.0):
        m, d = self.mask()
        d.arc(self._box(box), start, end, fill=255, width=int(width * S))
        self.fill(m, paint)

    def flatten(self):
        small = self.im.resize((self.w, self.h), Image.BOX)
        base = Image.new("RGBA", (self.w, self.h), (255, 255, 255, 255))
        base.alpha_composite(small)
        return base.convert("RGB")


def text(img, xy, s, fnt, fill, anchor="lm", shadow=None, spacing=0):
    d = ImageDraw.Draw(img)
    if shadow:
        sx, sy, sc = shadow
        text(img, (xy[0] + sx, xy[1] + sy), s, fnt, sc, anchor, None, spacing)
    if spacing:
        # letter-spaced: draw glyph by glyph, keeping the requested anchor for the run
        widths = [d.textlength(ch, font=fnt) for ch in s]
        total = sum(widths) + spacing * (len(s) - 1)
        x = xy[0] - (total / 2 if anchor[0] == "m" else 0)
        for ch, w in zip(s, widths):
            d.text((x, xy[1]), ch, font=fnt, fill=fill, anchor="l" + anchor[1])
            x += w + spacing
        return
    d.text(xy, s, font=fnt, fill=fill, anchor=anchor)


def title_bg(w, h, row0=0, stops=TITLE_STOPS, span=65):
    lay = Layer(w, h)
    lay.rect((0, 0, w, h), ("v", -row0, span - row0, stops))
    return lay


# ---------------------------------------------------------------- glyphs
def tv_glyph(lay, x, y, w, h, body, screen, stand=None):
    """A small television: antennae, rounded cabinet, screen and a stand."""
    top = y + h * 0.22
    lay.line([(x + w * 0.3, y), (x + w * 0.5, top)], body, max(1.0, h * 0.08))
    lay.line([(x + w * 0.7, y), (x + w * 0.5, top)], body, max(1.0, h * 0.08))
    h, y = h - (top - y), top
    lay.rect((x, y, x + w, y + h * 0.8), body, radius=max(1.5, h * 0.14))
    inset = max(1.2, w * 0.12)
    lay.rect((x + inset, y + inset, x + w - inset, y + h * 0.8 - inset), screen,
             radius=max(0.6, h * 0.06))
    stand = stand or body
    lay.rect((x + w * 0.42, y + h * 0.8, x + w * 0.58, y + h * 0.9), stand)
    lay.rect((x + w * 0.26, y + h * 0.88, x + w * 0.74, y + h), stand, radius=h * 0.05)


def brand_mark(lay, x, y, size):
    """The Kalda mark: a silver television with antennae and an orange play triangle."""
    u = size / 32.0
    lay.line([(x + 11 * u, y + 2 * u), (x + 16 * u, y + 8 * u), (x + 22 * u, y + 1.5 * u)],
             (214, 226, 242), 1.6 * u)
    lay.ellipse((x + 9.6 * u, y + 0.6 * u, x + 12.6 * u, y + 3.6 * u), ACCENT_LIGHT)
    lay.ellipse((x + 20.6 * u, y + 0.2 * u, x + 23.6 * u, y + 3.2 * u), ACCENT_LIGHT)
    lay.rect((x + 1 * u, y + 7 * u, x + 31 * u, y + 29 * u), EDGE_DARK, radius=5 * u)
    lay.rect((x + 2 * u, y + 8 * u, x + 30 * u, y + 28 * u),
             ("v", y + 8 * u, y + 28 * u, [(0, (248, 251, 255)), (1, (176, 192, 216))]),
             radius=4.2 * u)
    lay.rect((x + 4.5 * u, y + 10.5 * u, x + 27.5 * u, y + 25.5 * u),
             ("v", y + 10.5 * u, y + 25.5 * u,
              [(0, (70, 150, 240)), (0.5, (24, 84, 180)), (1, (12, 48, 120))]),
             radius=2.5 * u)
    lay.polygon([(x + 12 * u, y + 13 * u), (x + 12 * u, y + 23 * u), (x + 22 * u, y + 18 * u)],
                ("v", y + 13 * u, y + 23 * u, [(0, ACCENT_LIGHT), (1, ACCENT)]))
    lay.rect((x + 10 * u, y + 29 * u, x + 22 * u, y + 31 * u), EDGE_DARK, radius=1 * u)


def double_arrow(lay, cx, cy, size, paint):
    """A right-pointing double chevron, size being its height."""
    h = size / 2.0
    w = size * 0.32
    t = size * 0.22
    for dx in (-w * 0.95, w * 0.25):
        x0 = cx + dx - w / 2
        lay.polygon([(x0, cy - h), (x0 + t, cy - h), (x0 + t + w, cy),
                     (x0 + t, cy + h), (x0, cy + h), (x0 + w, cy)], paint)


def triangle(lay, cx, cy, w, h, direction, paint):
    if direction == "left":
        pts = [(cx + w / 2, cy - h / 2), (cx + w / 2, cy + h / 2), (cx - w / 2, cy)]
    elif direction == "right":
        pts = [(cx - w / 2, cy - h / 2), (cx - w / 2, cy + h / 2), (cx + w / 2, cy)]
    else:
        pts = [(cx - w / 2, cy - h / 2), (cx + w / 2, cy - h / 2), (cx, cy + h / 2)]
    lay.polygon(pts, paint)


def raised_button(lay, box, radius=5, stops=BUTTON_STOPS, edge=EDGE_DARK):
    """A framed, bevelled blue button face with a light top edge."""
    x0, y0, x1, y1 = box
    lay.rect((x0 + 1, y0 + 1.5, x1 + 0.5, y1 + 1), (0, 0, 0, 60), radius=radius)  # drop shadow
    lay.rect(box, edge, radius=radius)
    lay.rect((x0 + 1, y0 + 1, x1 - 1, y1 - 1), ("v", y0 + 1, y1 - 1, stops), radius=radius - 1)
    lay.frame((x0 + 1, y0 + 1, x1 - 1, y1 - 1), (255, 255, 255, 90), radius=radius - 1)
    lay.rect((x0 + 3, y0 + 1.2, x1 - 3, y0 + 2.2), (255, 255, 255, 110))


# ---------------------------------------------------------------- title bar
TABS = [  # id, hot id, width, label, subtitle
    (152, 168, 104, "Live TV", "直播"),
    (153, 171, 106, "Movie", "电影"),
    (154, 173, 102, "Sports", "体育"),
    (155, 174, 101, "Music", "音乐"),
    (156, 172, 80, "Love", "交友"),
    (157, 175, 147, "Finance", "财经"),
]


def logo():
    lay = title_bg(157, 65)
    lay.rect((0, 62, 157, 65), (255, 255, 255, 18))
    brand_mark(lay, 9, 15, 38)
    img = lay.flatten()
    text(img, (54, 30), "Kalda", font(LATIN_BOLD_ITALIC, 27), WHITE, "ls",
         shadow=(1, 1, NAVY_DEEP))
    text(img, (56, 46), "网络电视", cjk(15), SUBTITLE, "lm", spacing=3,
         shadow=(1, 1, NAVY_DEEP))
    return img


def tab(width, label, subtitle, hot):
    lay = title_bg(width, 65)
    lay.rect((0, 62, width, 65), (255, 255, 255, 18))
    if hot:
        raised_button(lay, (3, 12, width - 4, 60), radius=7, stops=HOT_STOPS)
    else:
        # a faint groove between neighbouring tabs
        lay.rect((width - 1, 16, width, 56), (0, 20, 60, 90))
        lay.rect((0, 16, 1, 56), (255, 255, 255, 30))
    img = lay.flatten()
    cx = width / 2.0
    text(img, (cx, 30), label, font(LATIN_BOLD, 15), WHITE, "mm",
         shadow=(1, 1, NAVY_DEEP))
    text(img, (cx, 47), subtitle, cjk(13), WHITE if hot else SUBTITLE, "mm",
         shadow=(1, 1, NAVY_DEEP), spacing=2)
    return img


def silver(w, h, row0):
    lay = title_bg(w, h, row0, SILVER_STOPS)
    if row0 == 0:
        lay.rect((0, 0, w, 1), EDGE_DARK)
        lay.rect((0, 1, w, 2), WHITE)
    return lay


def help_tab():
    lay = silver(85, 28, 0)
    lay.ellipse((4, 8, 18, 22), ("v", 8, 22, BUTTON_STOPS))
    lay.ring((4, 8, 18, 22), EDGE_DARK, 1)
    img = lay.flatten()
    text(img, (11.2, 15.5), "?", font(LATIN_BOLD, 12), WHITE, "mm")
    text(img, (21, 15), "帮助和设置", cjk(12), INK, "lm")
    return img


def signoff_tab():
    lay = silver(60, 28, 0)
    lay.ellipse((4, 8, 18, 22), ("v", 8, 22, [(0, (250, 130, 110)), (1, (190, 40, 30))]))
    lay.ring((4, 8, 18, 22), (110, 20, 16), 1)
    lay.arc((7, 11, 15, 19), -50, 230, WHITE, 1.4)
    lay.rect((10.3, 10, 11.7, 15.2), WHITE)
    img = lay.flatten()
    text(img, (22, 15), "注销", cjk(12), INK, "lm", spacing=1)
    return img


def plain_panel(w, h, row0):
    return silver(w, h, row0).flatten()


def frame_strip():
    lay = silver(78, 8, 0)
    lay.rect((0, 7, 78, 8), (190, 202, 220))
    return lay.flatten()


def frame_vertical():
    lay = silver(13, 56, 8)
    lay.rect((5, 2, 6, 54), (168, 182, 204))
    lay.rect((6, 2, 7, 54), WHITE)
    return lay.flatten()


def window_button(width, kind):
    lay = silver(width, 20, 8)
    cx, cy, r = width / 2.0, 10.0, 7.5
    box = (cx - r, cy - r, cx + r, cy + r)
    if kind == "close":
        face = [(0, (255, 150, 130)), (0.5, (226, 64, 48)), (1, (176, 28, 20))]
        edge = (112, 18, 12)
    else:
        face = [(0, (130, 186, 246)), (0.5, (44, 110, 204)), (1, (24, 78, 168))]
        edge = EDGE_DARK
    lay.ellipse((box[0], box[1] + 0.8, box[2], box[3] + 0.8), (0, 0, 0, 50))
    lay.ellipse(box, ("v", box[1], box[3], face))
    lay.ring(box, edge, 1)
    lay.ellipse((cx - 4.5, cy - 6.2, cx + 4.5, cy - 1), (255, 255, 255, 70))
    if kind == "minimise":
        lay.rect((cx - 3.5, cy + 1, cx + 3.5, cy + 2.8), WHITE)
    elif kind == "maximise":
        lay.frame((cx - 3.6, cy - 3.4, cx + 3.6, cy + 3.4), WHITE, width=1.3)
        lay.rect((cx - 3.6, cy - 3.4, cx + 3.6, cy - 1.8), WHITE)
    else:
        lay.line([(cx - 3, cy - 3), (cx + 3, cy + 3)], WHITE, 1.7)
        lay.line([(cx - 3, cy + 3), (cx + 3, cy - 3)], WHITE, 1.7)
    return lay.flatten()


def title_right_end():
    lay = silver(22, 65, 0)
    lay.rect((0, 64, 22, 65), (176, 190, 212))
    # the window's rounded top-right corner and its right border
    lay.rect((20, 0, 22, 65), EDGE_DARK)
    lay.rect((19, 2, 20, 64), (255, 255, 255, 160))
    lay.rect((14, 0, 22, 8), EDGE_DARK)
    m, d = lay.mask()
    d.pieslice(Layer._box((6, 1, 20, 15)), 270, 360, fill=255)
    lay.fill(m, ("v", 0, 65, SILVER_STOPS))
    lay.arc((6, 1, 20, 15), 270, 360, (255, 255, 255), 1)
    return lay.flatten()


def whole_title_bar(pieces):
    """Everything the title bar shows, composed from its pieces."""
    bar = Image.new("RGB", (1020, 65))
    x = 0
    bar.paste(pieces[151], (x, 0))
    x += 157
    for tab_id, _, width, _, _ in TABS:
        bar.paste(pieces[tab_id], (x, 0))
        x += width
    bar.paste(pieces[158], (x, 0))
    bar.paste(pieces[159], (x + 85, 0))
    bar.paste(pieces[170], (x, 28))
    x += 145
    bar.paste(plain_panel(1020 - x, 65, 0), (x, 0))
    bar.paste(pieces[160], (x, 0))
    bar.paste(pieces[167], (x, 26))
    bar.paste(pieces[162], (x, 8))
    bar.paste(pieces[163], (x + 17, 8))
    bar.paste(pieces[164], (x + 36, 8))
    bar.paste(pieces[165], (1020 - 22, 0))
    return bar


# ---------------------------------------------------------------- channel column
def channel_bar(h, name, selected):
    w = 183
    lay = Layer(w, h)
    lay.rect((0, 0, w, h), ("v", 0, h, LIGHT_STOPS))
    lay.rect((0, 0, w, 1), WHITE)
    lay.rect((0, h - 1, w, h), (196, 207, 224))
    if selected:
        raised_button(lay, (2, 1, w - 3, h - 2), radius=5)
        tv_glyph(lay, 10, h / 2.0 - 6.5, 17, 13, WHITE, ("v", 0, h, [(0, (130, 196, 255)), (1, (70, 140, 230))]))
        double_arrow(lay, w - 16, h / 2.0 - 0.5, 9, ACCENT_LIGHT)
    else:
        tv_glyph(lay, 10, h / 2.0 - 6.5, 17, 13, NAVY, ("v", 0, h, [(0, (120, 180, 246)), (1, (44, 104, 196))]))
        double_arrow(lay, w - 16, h / 2.0 - 0.5, 9, ACCENT)
    img = lay.flatten()
    if selected:
        text(img, (36, h / 2.0), name, cjk(14), WHITE, "lm", shadow=(1, 1, NAVY), spacing=1)
    else:
        text(img, (36, h / 2.0), name, cjk(14), INK, "lm", spacing=1)
    return img


def list_header():
    w, h = 183, 41
    lay = Layer(w, h)
    lay.rect((0, 0, w, h), ("v", 0, h, BUTTON_STOPS))
    lay.rect((0, 0, w, 1), (150, 200, 255))
    lay.rect((0, h - 1, w, h), EDGE_DARK)
    tv_glyph(lay, 10, 12, 22, 17, WHITE, ("v", 12, 26, [(0, (150, 210, 255)), (1, (60, 130, 220))]))
    img = lay.flatten()
    text(img, (40, 21), "14", font(LATIN_BOLD, 16), ACCENT_LIGHT, "lm", shadow=(1, 1, NAVY_DEEP))
    text(img, (60, 21), "个频道免费收看", cjk(14), WHITE, "lm", shadow=(1, 1, NAVY_DEEP))
    return img


def category_selector():
    w, h = 183, 29
    lay = Layer(w, h)
    lay.rect((0, 0, w, h), ("v", 0, h, LIGHT_STOPS))
    lay.rect((0, h - 1, w, h), (196, 207, 224))
    lay.rect((66, 5, 178, 24), EDGE_SILVER, radius=2)
    lay.rect((67, 6, 177, 23), ("v", 6, 23, [(0, (236, 241, 248)), (1, WHITE)]), radius=1.5)
    lay.rect((160, 6, 177, 23), ("v", 6, 23, BUTTON_STOPS), radius=1.5)
    triangle(lay, 168.5, 15, 7, 4, "down", WHITE)
    img = lay.flatten()
    text(img, (7, 14.5), "频道分类", cjk(13), INK, "lm")
    text(img, (72, 14.5), "全部频道", cjk(12), INK, "lm")
    return img


def list_handle(direction):
    w, h = 10, 672
    lay = Layer(w, h)
    lay.rect((0, 0, w, h), ("h", 0, w, [(0, (240, 244, 250)), (1, (200, 211, 228))]))
    lay.rect((0, 0, 1, h), EDGE_SILVER)
    lay.rect((1, 0, 2, h), WHITE)
    lay.rect((w - 1, 0, w, h), EDGE_SILVER)
    cy = h / 2.0
    lay.rect((1, cy - 34, w - 1, cy + 34), EDGE_DARK, radius=3)
    lay.rect((2, cy - 33, w - 2, cy + 33), ("h", 2, w - 2, [(0, (110, 170, 240)), (1, (30, 88, 180))]),
             radius=2)
    lay.rect((2.6, cy - 32, 3.4, cy + 32), (255, 255, 255, 90))
    triangle(lay, w / 2.0, cy, 4.6, 8, direction, WHITE)
    for dy in (-24, -19, -14, 14, 19, 24):
        lay.rect((3.5, cy + dy - 0.5, w - 3.5, cy + dy + 0.5), (255, 255, 255, 150))
    return lay.flatten()


# ---------------------------------------------------------------- player bar
BAR_H = 49
BAR_STOPS = [(0.0, (252, 253, 255)), (0.5, (232, 238, 246)), (0.51, (222, 230, 241)),
             (1.0, (206, 217, 232))]


def bar_bg(w):
    lay = Layer(w, BAR_H)
    lay.rect((0, 0, w, BAR_H), ("v", 0, BAR_H, BAR_STOPS))
    lay.rect((0, 0, w, 1), EDGE_SILVER)
    lay.rect((0, 1, w, 2), WHITE)
    lay.rect((0, BAR_H - 1, w, BAR_H), (176, 190, 212))
    return lay


FACE = [(0, (255, 255, 255)), (0.5, (232, 238, 247)), (0.52, (214, 224, 238)), (1, (236, 242, 250))]
FACE_GREY = [(0, (246, 246, 246)), (1, (222, 224, 227))]
RIM = (64, 104, 164)
RIM_GREY = (176, 180, 188)
SYMBOL = (18, 56, 122)
SYMBOL_GREY = (168, 172, 180)


def round_button(w, diameter, symbol, greyed=False):
    lay = bar_bg(w)
    cx, cy, r = w / 2.0, BAR_H / 2.0, diameter / 2.0
    box = (cx - r, cy - r, cx + r, cy + r)
    lay.ellipse((box[0], box[1] + 1.2, box[2], box[3] + 1.2), (0, 20, 60, 40 if greyed else 70))
    lay.ellipse(box, ("v", box[1], box[3], FACE_GREY if greyed else FACE))
    lay.ring(box, RIM_GREY if greyed else RIM, 1.4)
    lay.ring((box[0] + 1.4, box[1] + 1.4, box[2] - 1.4, box[3] - 1.4), (255, 255, 255, 200), 1)
    ink = SYMBOL_GREY if greyed else SYMBOL
    if symbol == "play":
        s = diameter * 0.36
        lay.polygon([(cx - s * 0.38, cy - s / 2), (cx - s * 0.38, cy + s / 2), (cx + s * 0.55, cy)], ink)
    elif symbol == "pause":
        s = diameter * 0.34
        lay.rect((cx - s * 0.45, cy - s / 2, cx - s * 0.12, cy + s / 2), ink, radius=0.6)
        lay.rect((cx + s * 0.12, cy - s / 2, cx + s * 0.45, cy + s / 2), ink, radius=0.6)
    else:
        s = diameter * 0.32
        stop_ink = SYMBOL_GREY if greyed else (26, 34, 52)
        lay.rect((cx - s / 2, cy - s / 2, cx + s / 2, cy + s / 2), stop_ink, radius=1)
    return lay.flatten()


def square_button(sign):
    w = 27
    lay = bar_bg(w)
    cx, cy = w / 2.0, BAR_H / 2.0
    box = (cx - 9, cy - 9, cx + 9, cy + 9)
    lay.rect((box[0], box[1] + 1, box[2], box[3] + 1), (0, 20, 60, 60), radius=3)
    lay.rect(box, RIM, radius=3)
    lay.rect((box[0] + 1, box[1] + 1, box[2] - 1, box[3] - 1), ("v", box[1], box[3], FACE), radius=2.2)
    lay.rect((cx - 4.5, cy - 0.9, cx + 4.5, cy + 0.9), SYMBOL)
    if sign == "+":
        lay.rect((cx - 0.9, cy - 4.5, cx + 0.9, cy + 4.5), SYMBOL)
    return lay.flatten()


def speaker(muted):
    w = 20
    lay = bar_bg(w)
    cx, cy = 6.0, BAR_H / 2.0
    ink = SYMBOL_GREY if muted else SYMBOL
    lay.rect((cx - 4, cy - 2.5, cx - 0.5, cy + 2.5), ink, radius=0.5)
    lay.polygon([(cx - 1, cy - 2.5), (cx + 3.5, cy - 6.5), (cx + 3.5, cy + 6.5), (cx - 1, cy + 2.5)], ink)
    if not muted:
        lay.arc((cx + 1, cy - 3.5, cx + 8, cy + 3.5), -60, 60, ink, 1.4)
        lay.arc((cx + 0.5, cy - 7, cx + 12.5, cy + 7), -60, 60, ink, 1.4)
    return lay.flatten()


def bar_left_end():
    w = 20
    lay = bar_bg(w)
    lay.rect((0, 0, 2, BAR_H), EDGE_SILVER)
    lay.rect((2, 1, 3, BAR_H - 1), WHITE)
    for y in range(18, 32, 3):
        lay.rect((9, y, 11, y + 1.4), (150, 166, 192))
        lay.rect((9, y + 1.4, 11, y + 2), WHITE)
    return lay.flatten()


def bar_right_end():
    w = 14
    lay = bar_bg(w)
    lay.rect((w - 2, 0, w, BAR_H), EDGE_SILVER)
    lay.rect((w - 3, 1, w - 2, BAR_H - 1), (190, 202, 220))
    return lay.flatten()


def fullscreen_button():
    w = 53
    lay = bar_bg(w)
    lay.rect((4, 13, w - 4, 36), (120, 142, 176), radius=4)
    lay.rect((5, 14, w - 5, 35), ("v", 14, 35, [(0, (255, 255, 255)), (1, (226, 233, 243))]), radius=3)
    img = lay.flatten()
    text(img, (w / 2.0, 24.5), "全屏", cjk(13), INK, "mm", spacing=2)
    return img


def bar_background():
    w = 340
    lay = bar_bg(w)
    lay.rect((4, 11, w - 4, 38), (255, 255, 255), radius=4)        # bottom/right highlight
    lay.rect((4, 11, w - 5, 37), (140, 156, 184), radius=4)        # top/left shadow
    lay.rect((5, 12, w - 5, 37), ("v", 12, 37, [(0, (236, 240, 246)), (0.25, (250, 252, 255)), (1, WHITE)]),
             radius=3)
    img = lay.flatten()
    text(img, (12, 24.5), "热播节目:", cjk(13), HOT_RED, "lm")
    return img


# ---------------------------------------------------------------- file writers
def to_palette(img):
    """Exact colour table when the picture has at most 256 colours, median cut otherwise."""
    img = img.convert("RGB")
    colours = img.getcolors(256)
    if colours is None:
        img = img.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).convert("RGB")
        colours = img.getcolors(256)
    table = sorted(c for _, c in colours)
    index = {c: i for i, c in enumerate(table)}
    out = Image.new("P", img.size)
    out.putpalette([v for c in table for v in c])
    out.putdata([index[c] for c in img.getdata()])
    return out, table


def bmp_bytes(img, depth):
    w, h = img.size
    if depth == 8:
        pimg, table = to_palette(img)
        stride = (w + 3) & ~3
        raw = pimg.tobytes()
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in table)
        rows = [raw[y * w:(y + 1) * w] for y in range(h)]
        used = len(table)
    elif depth == 24:
        stride = (w * 3 + 3) & ~3
        raw = img.convert("RGB").tobytes("raw", "BGR")
        palette = b""
        rows = [raw[y * w * 3:(y + 1) * w * 3] for y in range(h)]
        used = 0
    else:
        raise ValueError(depth)
    pixels = b"".join(r.ljust(stride, b"\0") for r in reversed(rows))  # bottom-up
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, depth, 0, len(pixels), 2835, 2835, used, 0)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + palette + pixels


def icon_bytes(img):
    """A .ico holding one 32x32 24-bit image with its AND mask (alpha < 128 is transparent)."""
    w, h = img.size
    rgb = img.convert("RGB").tobytes("raw", "BGR")
    alpha = img.getchannel("A").tobytes()
    xor_rows, and_rows = [], []
    for y in range(h):
        row = bytearray(rgb[y * w * 3:(y + 1) * w * 3])
        bits = 0
        for x in range(w):
            if alpha[y * w + x] < 128:
                bits |= 1 << (31 - x)
                row[x * 3:x * 3 + 3] = b"\0\0\0"
        xor_rows.append(bytes(row).ljust((w * 3 + 3) & ~3, b"\0"))
        and_rows.append(struct.pack(">I", bits))
    body = b"".join(reversed(xor_rows)) + b"".join(reversed(and_rows))
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 24, 0, len(body), 0, 0, 0, 0)
    image = info + body
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 24, len(image), 6 + 16)
    return header + entry + image


HAND = [  # '#' black outline, '.' white, blank transparent; row 0 is y = 9
    "             ##",
    "            #..#",
    "            #..#",
    "            #..#",
    "            #..#",
    "            #..###",
    "            #..#..##",
    "            #..#..#.##",
    "            #..#..#..#",
    "         ## #..#..#..##",
    "        #..##..#..#..#.#",
    "        #...#.........#.#",
    "         #..#...........#",
    "         #...#..........#",
    "          #.............#",
    "          #.............#",
    "           #...........#",
    "           #...........#",
    "            #.........#",
    "            #.........#",
    "            ###########",
]
HAND_TOP = 9
HOT_SPOT = (13, 9)


def cursor_bytes():
    """A .cur with one 32x32 monochrome hand; XOR and AND masks, black and white table."""
    xor_rows, and_rows = [], []
    for y in range(32):
        line = HAND[y - HAND_TOP] if 0 <= y - HAND_TOP < len(HAND) else ""
        xor_bits, and_bits = 0, 0xFFFFFFFF
        for x, ch in enumerate(line.ljust(32)):
            if ch != " ":
                and_bits &= ~(1 << (31 - x))
            if ch == ".":
                xor_bits |= 1 << (31 - x)
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits & 0xFFFFFFFF))
    body = b"".join(reversed(xor_rows)) + b"".join(reversed(and_rows))
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(body), 0, 0, 2, 0)
    image = info + struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0) + body
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 6 + 16)
    return header + entry + image


def brand_icon():
    lay = Layer(32, 32)
    brand_mark(lay, 0, 0, 32)
    small = lay.im.resize((32, 32), Image.BOX)
    # icon pixels are either opaque or masked out: settle partial edges onto the mark's dark rim
    base = Image.new("RGBA", (32, 32), EDGE_DARK + (255,))
    base.alpha_composite(small)
    base.putalpha(small.getchannel("A"))
    return base


# ---------------------------------------------------------------- catalogue
SHORT = {
    130: "titlebar", 131: "category", 132: "handle_shown", 134: "list_header",
    151: "logo", 158: "help", 159: "signoff", 160: "frame_strip", 161: "frame_vertical",
    162: "hide", 163: "fullscreen", 164: "close", 165: "title_right_end",
    167: "title_panel", 170: "topbar_panel", 176: "handle_collapsed",
    177: "bar_left", 179: "play", 180: "pause", 181: "stop", 182: "stop_greyed",
    183: "bar_fullscreen", 184: "bar_background", 199: "sound_muted", 200: "sound_on",
    201: "volume_down", 202: "volume_up", 203: "bar_right", 217: "play_greyed",
}
for _tab_id, _hot_id, _w, _label, _sub in TABS:
    SHORT[_tab_id] = "tab_" + _label.lower().replace(" ", "")
    SHORT[_hot_id] = "tab_" + _label.lower().replace(" ", "") + "_hot"

# channel: normal id, selected id, height, normal depth
CHANNELS = [(135, 192, 30, 24), (136, 193, 30, 8), (137, 194, 29, 8), (138, 195, 32, 8),
            (139, 196, 27, 8), (140, 197, 32, 8), (141, 198, 30, 8), (142, 186, 30, 8),
            (143, 187, 30, 8), (144, 188, 30, 8), (145, 189, 31, 8), (146, 190, 30, 8),
            (169, 191, 30, 24), (219, 220, 30, 24)]
for _n, (_id, _sel, _h, _d) in enumerate(CHANNELS):
    SHORT[_id] = "channel%d" % _n
    SHORT[_sel] = "channel%d_selected" % _n


def build():
    """Returns {id: (image, depth)} for every bitmap."""
    out = {}
    out[151] = (logo(), 8)
    for tab_id, hot_id, width, label, sub in TABS:
        out[tab_id] = (tab(width, label, sub, False), 8)
        out[hot_id] = (tab(width, label, sub, True), 24)
    out[158] = (help_tab(), 8)
    out[159] = (signoff_tab(), 8)
    out[170] = (plain_panel(145, 37, 28), 8)
    out[161] = (frame_vertical(), 8)
    out[160] = (frame_strip(), 8)
    out[162] = (window_button(17, "minimise"), 8)
    out[163] = (window_button(19, "maximise"), 8)
    out[164] = (window_button(19, "close"), 8)
    out[167] = (plain_panel(55, 39, 26), 8)
    out[165] = (title_right_end(), 8)
    out[130] = (whole_title_bar({k: v[0] for k, v in out.items()}), 8)

    out[134] = (list_header(), 24)
    out[131] = (category_selector(), 8)
    out[132] = (list_handle("left"), 8)
    out[176] = (list_handle("right"), 24)
    for n, (normal, selected, h, depth) in enumerate(CHANNELS):
        out[normal] = (channel_bar(h, CHANNEL_NAMES[n], False), depth)
        out[selected] = (channel_bar(h, CHANNEL_NAMES[n], True), 24)

    out[177] = (bar_left_end(), 24)
    out[180] = (round_button(43, 37, "pause"), 24)
    out[179] = (round_button(43, 37, "play"), 24)
    out[217] = (round_button(43, 37, "play", greyed=True), 24)
    out[181] = (round_button(36, 31, "stop"), 24)
    out[182] = (round_button(36, 31, "stop", greyed=True), 24)
    out[201] = (square_button("-"), 24)
    out[200] = (speaker(False), 24)
    out[199] = (speaker(True), 24)
    out[202] = (square_button("+"), 24)
    out[203] = (bar_right_end(), 24)
    out[183] = (fullscreen_button(), 24)
    out[184] = (bar_background(), 24)
    return out


def idle_picture():
    """The demo installation's idle picture, shown by the player while nothing plays."""
    w, h = 440, 288
    lay = title_bg(w, h, span=h)
    brand_mark(lay, 170, 62, 100)
    img = lay.flatten()
    text(img, (w / 2.0, 196), "Kalda网络电视", cjk(26), WHITE, "mm", shadow=(1, 1, NAVY_DEEP))
    text(img, (w / 2.0, 232), "双击左侧的频道开始收看", cjk(15), SUBTITLE, "mm", spacing=2,
         shadow=(1, 1, NAVY_DEEP))
    return img


def bitmap_path(res_id):
    return os.path.join(BITMAPS, "%d_%s.bmp" % (res_id, SHORT[res_id]))


def main():
    for folder in (BITMAPS, ICONS, CURSORS):
        os.makedirs(folder, exist_ok=True)
    for res_id, (img, depth) in sorted(build().items()):
        with open(bitmap_path(res_id), "wb") as f:
            f.write(bmp_bytes(img, depth))
    icon = icon_bytes(brand_icon())
    for name in ("mainframe.ico", "traymark.ico"):
        with open(os.path.join(ICONS, name), "wb") as f:
            f.write(icon)
    with open(os.path.join(CURSORS, "hand.cur"), "wb") as f:
        f.write(cursor_bytes())
    with open(IDLE_PICTURE, "wb") as f:
        f.write(bmp_bytes(idle_picture(), 24))
    return 0


if __name__ == "__main__":
    sys.exit(main())
