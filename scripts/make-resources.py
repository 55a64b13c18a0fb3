#!/usr/bin/python3
"""Draws Orvane's icons and welcome-page pictures into ui/resources/.

Run from anywhere with Debian's Python, which has PIL (package python3-pil); the menu texts
use DejaVu Sans (package fonts-dejavu-core):

    /usr/bin/python3 scripts/make-resources.py [--output DIR] [--preview DIR]

It writes the category icons, the application icon and the two welcome-page pictures, the same
byte for byte on every run. The category names drawn into the "after" picture are read from the
category names in the table of texts, texts/texts.cpp. --output DIR writes the files into DIR instead of
ui/resources; --preview DIR also writes enlarged PNG previews into DIR.
"""

import argparse
import re
import struct
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter, ImageFont

REPO = Path(__file__).resolve().parent.parent
TEXTS = REPO / "texts" / "texts.cpp"
FONT_PATH = Path("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")


# ---------------------------------------------------------------------------------------------
# 16x16 pixel maps. Each map is 16 rows of 16 characters; every character is looked up in the
# icon's legend ('.' is always transparent). Icons keep to fully opaque or fully transparent
# pixels, so the AND mask describes them exactly and they look the same in a 24-bit image list.
# ---------------------------------------------------------------------------------------------

def sprite(legend, pixels):
    """Turns a pixel map, 16 lines of 16 characters, into a 16x16 RGBA image."""
    rows = pixels.split()
    assert len(rows) == 16, f"{len(rows)} rows"
    img = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    for y, row in enumerate(rows):
        assert len(row) == 16, f"row {y} has {len(row)} characters: {row!r}"
        for x, ch in enumerate(row):
            if ch != ".":
                rgb = legend[ch]
                img.putpixel((x, y), (int(rgb[1:3], 16), int(rgb[3:5], 16), int(rgb[5:7], 16), 255))
    return img


# 0, office: four window-like tiles.
OFFICE = sprite(
    {
        "R": "#9a1f14", "r": "#e5432f", "1": "#f7a596",
        "G": "#1f6b1f", "g": "#3cb43c", "2": "#a8e8a0",
        "B": "#173c88", "b": "#3371e0", "3": "#a4c4f8",
        "Y": "#9a7400", "y": "#f7c51e", "4": "#fff0a8",
    },
    """
    ................
    RRRRRRR.GGGGGGG.
    R11111R.G22222G.
    R1rrrrR.G2ggggG.
    R1rrrrR.G2ggggG.
    R1rrrrR.G2ggggG.
    R1rrrrR.G2ggggG.
    RRRRRRR.GGGGGGG.
    ................
    BBBBBBB.YYYYYYY.
    B33333B.Y44444Y.
    B3bbbbB.Y4yyyyY.
    B3bbbbB.Y4yyyyY.
    B3bbbbB.Y4yyyyY.
    B3bbbbB.Y4yyyyY.
    BBBBBBB.YYYYYYY.
    """,
)

# 1, utilities: a disk drive with a broom leaning across it.
UTILITIES = sprite(
    {
        "K": "#404040", "w": "#f4f4f4", "l": "#dcdcdc", "s": "#c8c8c8", "d": "#8e8e8e", "k": "#2a2a2a",
        "g": "#38d038",
        "H": "#5c3412", "h": "#b8742e", "n": "#c8321e",
        "Y": "#a8801e", "y": "#f2cc52",
    },
    """
    ...........HhH..
    ...........HhH..
    ...........HhH..
    ...........HhH..
    ...........HhH..
    ..........HnnnH.
    KKKKKKKKKKHnnnH.
    KwwwwwwwwKHYyYH.
    KllllllllKHyYyH.
    KsssssssdKHYyYH.
    KskkkkksdKHyYyH.
    KsssssgsdHyYyYyH
    KsssssssdHYyYyYH
    KddddddddHyYyYyH
    KKKKKKKKKHHHHHHH
    ................
    """,
)

# 2, games: a red heart.
GAMES = sprite(
    {"K": "#7a0c0c", "r": "#e32626", "d": "#b01818", "1": "#ff9a9a"},
    """
    ................
    ................
    ..KKK.....KKK...
    .KrrrK...KrrrK..
    Kr11rrK.KrrrrrK.
    Kr1rrrrKrrrrrdK.
    Kr1rrrrrrrrrrdK.
    KrrrrrrrrrrrrdK.
    .KrrrrrrrrrrdK..
    ..KrrrrrrrrdK...
    ...KrrrrrrdK....
    ....KrrrrdK.....
    .....KrrdK......
    ......KdK.......
    .......K........
    ................
    """,
)

# 3, entertainment: a play arrow in a coloured ring.
ENTERTAINMENT = sprite(
    {
        "K": "#8a3c06", "a": "#ffc23a", "o": "#f58a1f", "A": "#e0561a",
        "w": "#ffffff", "c": "#f3ead8",
        "G": "#0f5a8c", "g": "#2e8fd8",
    },
    """
    .....KKKKKK.....
    ...KKaaaaaaKK...
    ..KaaaaaaaaaaK..
    .KaaaKKKKKKaaoK.
    .KaaKwwwwwwKooK.
    KaaKwwGwwwwwKooK
    KaoKwwGgGwwwKooK
    KaoKwwGggGwwKooK
    KooKwwGgggGwKAoK
    KooKwwGggGwcKAAK
    KooKwwGgGwwcKAAK
    .KoKwwGwwwccKAK.
    .KooKwwcccccKAK.
    ..KooKKKKKKAAK..
    ...KKAAAAAAKK...
    .....KKKKKK.....
    """,
)

# 4, internet: a blue letter e circled by an orbit.
INTERNET = sprite(
    {"K": "#0b2f78", "b": "#2a6ee0", "l": "#8fb8f8", "o": "#e49a12"},
    """
    ................
    ............ooo.
    ..........oo...o
    ....KKKKKKK....o
    ...KllbbbbbK...o
    ..KlbKKKKKbbK.o.
    ..KbbK...KbbKo..
    ..Kbbbbbbbbbo...
    ..KbbKKKKKKoK...
    ..KbbK....o.....
    .oKbbbKKooKbK...
    o..KbboobbbbK...
    o...ooKKKKKK....
    .ooo............
    ................
    ................
    """,
)

# 5, programming: a numeral seven in front of a globe.
PROGRAMMING = sprite(
    {
        "K": "#5a0a0a", "r": "#d42a2a", "1": "#f28a8a",
        "B": "#143f7a", "s": "#3a86d8", "S": "#86bff0", "g": "#3aa83a", "G": "#1f6a1f",
    },
    """
    KKKKKKKK........
    K111111K........
    KrrrrrrK........
    KKKKKrrK.BBBB...
    ....KrrKBssssBB.
    ...KrrKBSSggssB.
    ...KrrKSggggsssB
    ..KrrKsSgGggssgB
    ..KrrKssgggssggB
    ..KrrKsssgsssggB
    ..KKKKssssssgggB
    .....BsssssggGsB
    .....BssgssggssB
    ......BssggsssB.
    .......BBssssBB.
    .........BBBB...
    """,
)

# 6, graphics: a cup holding pencils and a brush.
GRAPHICS = sprite(
    {
        "K": "#303030",
        "r": "#e03a2a", "R": "#8a1a10",
        "y": "#f5c92a", "Y": "#9a7a08",
        "g": "#3ab44a", "G": "#1a6a24",
        "t": "#f2d6a8", "k": "#202020",
        "b": "#8a5a2a", "h": "#4a7ee0", "H": "#1a3c8a",
        "c": "#4aa0d8", "C": "#1a5a8a", "l": "#a8d8f4",
    },
    """
    .......k........
    ..k....t....kk..
    .RtR..YtY..Hkk..
    .RtR..YyY..Hbh..
    ..RrR.YyY.Hbh...
    ..RrR.YyYGHbh...
    ...RrRYyGgGhH...
    ...RrRYyGgGh....
    ..CCCCCCCCCCCC..
    ..ClllcccccccC..
    ..ClcccccccccC..
    ..ClcccccccccC..
    ...ClcccccccC...
    ...ClcccccccC...
    ...CCCCCCCCCC...
    ................
    """,
)

# 7, security: a shield in four colours.
SECURITY = sprite(
    {
        "K": "#303030",
        "r": "#e5432f", "g": "#3cb43c", "b": "#3371e0", "y": "#f7c51e",
        "1": "#f7a596", "2": "#a8e8a0",
    },
    """
    KKKKKKKKKKKKKKK.
    K111111K222222K.
    K1rrrrrK2gggggK.
    K1rrrrrK2gggggK.
    K1rrrrrK2gggggK.
    K1rrrrrK2gggggK.
    K1rrrrrK2gggggK.
    KKKKKKKKKKKKKKK.
    KbbbbbbKyyyyyyK.
    KbbbbbbKyyyyyyK.
    .KbbbbbKyyyyyK..
    .KbbbbbKyyyyyK..
    ..KbbbbKyyyyK...
    ...KbbbKyyyK....
    ....KKbKyKK.....
    ......KKK.......
    """,
)

# 8, miscellaneous: a question mark in a blue disc.
MISCELLANEOUS = sprite(
    {"K": "#0b2f78", "b": "#2a6ee0", "l": "#7aa8f4", "w": "#ffffff"},
    """
    .....KKKKKK.....
    ...KKllllllKK...
    ..KlllbbbbbbbK..
    .KllbbbwwwwbbbK.
    .KlbbbwwbbwwbbK.
    KlbbbbbbbbwwbbbK
    KlbbbbbbbwwbbbbK
    KbbbbbbbwwbbbbbK
    KbbbbbbbwwbbbbbK
    KbbbbbbbbbbbbbbK
    KbbbbbbbwwbbbbbK
    .KbbbbbbwwbbbbK.
    .KbbbbbbbbbbbbK.
    ..KbbbbbbbbbbK..
    ...KKbbbbbbKK...
    .....KKKKKK.....
    """,
)

# One drawing per category, in the order of the category names in the table of texts, texts/texts.cpp.
CATEGORY_ICONS = [OFFICE, UTILITIES, GAMES, ENTERTAINMENT, INTERNET, PROGRAMMING, GRAPHICS,
                  SECURITY, MISCELLANEOUS]

# The application icon: a list sorted into coloured groups, with a tick.
APP_ICON = sprite(
    {
        "K": "#505050", "w": "#ffffff", "s": "#a0a0a0",
        "r": "#e5432f", "g": "#3cb43c", "b": "#3371e0",
        "T": "#145a14", "t": "#3cc03c",
    },
    """
    ................
    KKKKKKKKKKKKK...
    KwwwwwwwwwwwK...
    KwrrwsssssswK...
    KwrrwwwwwwwwK...
    KwwwwwwwwwwwK...
    KwggwssssswwK...
    KwggwwwwwwwwK.TT
    KwwwwwwwwwwwKTtT
    KwbbwssssswwTtT.
    KwbbwwwwwTwTtT..
    KwwwwwwwTtTtT...
    KKKKKKKKTttT....
    .........TT.....
    ................
    ................
    """,
)


# Program icons for the two Start-menu pictures. The programs are invented.

def _window(title):
    """A program window; the title-bar colour tells one program from another."""
    return sprite(
        {"K": "#3c3c3c", "t": title, "w": "#ffffff", "s": "#c0c0c0", "x": "#e04030"},
        """
        ................
        KKKKKKKKKKKKKKK.
        KtttttttttttxxK.
        KtttttttttttxxK.
        KKKKKKKKKKKKKKK.
        KwwwwwwwwwwwwwK.
        KwsssssswwwwwwK.
        KwwwwwwwwwwwwwK.
        KwsssssssssswwK.
        KwwwwwwwwwwwwwK.
        KwssssswwwwwwwK.
        KwwwwwwwwwwwwwK.
        KwwwwwwwwwwwwwK.
        KKKKKKKKKKKKKKK.
        ................
        ................
        """,
    )


MENU_ICONS = {
    "folder": sprite(
        {"K": "#8a6a10", "y": "#f6d66a", "l": "#fff0b0", "d": "#d8a830"},
        """
        ................
        ................
        .KKKKK..........
        KlllllK.........
        KlyyyylKKKKKKK..
        KlyyyyyyyyyyyyK.
        KKKKKKKKKKKKKKKK
        KlllllllllllllK.
        KlyyyyyyyyyyydK.
        KlyyyyyyyyyyydK.
        KlyyyyyyyyyyydK.
        KlyyyyyyyyyyydK.
        KddddddddddddddK
        KKKKKKKKKKKKKKK.
        ................
        ................
        """,
    ),
    "blue": _window("#2a5ec8"),
    "green": _window("#2f9a3a"),
    "red": _window("#c8342a"),
    "purple": _window("#7a44b8"),
    "teal": _window("#1e9a9a"),
    "globe": sprite(
        {"B": "#143f7a", "s": "#3a86d8", "S": "#86bff0", "g": "#3aa83a", "G": "#1f6a1f"},
        """
        ................
        .....BBBBBB.....
        ...BBSSsgggBB...
        ..BSSggsggGssB..
        ..BSgggGsssssB..
        .BsgggggsssgggB.
        .BssgggsssggGgB.
        .BsssggsssgggsB.
        .BssssgssssggsB.
        .BsssssssssgssB.
        .BssssggssssssB.
        ..BsssgggssssB..
        ..BssssggsssB...
        ...BBssgssBB....
        .....BBBBB......
        ................
        """,
    ),
    "document": sprite(
        {"K": "#505050", "w": "#ffffff", "s": "#a8a8a8", "f": "#d8d8d8"},
        """
        ..KKKKKKKK......
        ..KwwwwwwKK.....
        ..KwwwwwwKfK....
        ..KwsssswKKKK...
        ..KwwwwwwwwwK...
        ..KwssssssswK...
        ..KwwwwwwwwwK...
        ..KwssssssswK...
        ..KwwwwwwwwwK...
        ..KwsssssswwK...
        ..KwwwwwwwwwK...
        ..KwssssssswK...
        ..KwwwwwwwwwK...
        ..KKKKKKKKKKK...
        ................
        ................
        """,
    ),
    "help": sprite(
        {"K": "#1a3c6a", "b": "#2f6fd0", "p": "#f4f4f4", "w": "#ffffff", "y": "#f7c51e"},
        """
        ................
        ..KKKKKKKKKK....
        .KbbbbbbbbbbK...
        .KbbbyyyybbbK...
        .KbbyybbyybbK...
        .KbbbbbbyybbK...
        .KbbbbbyybbbK...
        .KbbbbyybbbbK...
        .KbbbbbbbbbbK...
        .KbbbbyybbbbK...
        .KbbbbbbbbbbK...
        .KKKKKKKKKKKK...
        .KppppppppppK...
        ..KKKKKKKKKKK...
        ................
        ................
        """,
    ),
    "uninstall": sprite(
        {"K": "#6a4a1a", "c": "#d8a860", "C": "#b08040", "l": "#f0d098", "x": "#d82020", "X": "#801010"},
        """
        ................
        ................
        ...KKKKKKKKK....
        ..KlllllllllK...
        .KKKKKKKKKKKKK..
        .KccccccccccCK..
        .KccXccccXccCK..
        .KcXxXccXxXcCK..
        .KccXxXXxXccCK..
        .KcccXxxXcccCK..
        .KccXxXXxXccCK..
        .KcXxXccXxXcCK..
        .KccXccccXccCK..
        .KKKKKKKKKKKKK..
        ................
        ................
        """,
    ),
    "gear": sprite(
        {"K": "#404040", "s": "#b4b4b4", "l": "#e0e0e0", "d": "#808080"},
        """
        ................
        ......KKK.......
        ..KK..KlK..KK...
        ..KlKKKlKKKlK...
        ...KllllllsK....
        .KKKlsKKKssKKK..
        .KllsK...KssdK..
        .KKlsK...KsdKK..
        .KllsK...KsddK..
        .KKKssKKKsdKKK..
        ...KsssssddK....
        ..KdKKKdKKKdK...
        ..KK..KdK..KK...
        ......KKK.......
        ................
        ................
        """,
    ),
    "mail": sprite(
        {"K": "#505050", "w": "#ffffff", "s": "#c8c8c8", "r": "#d83a2a"},
        """
        ................
        ................
        ................
        KKKKKKKKKKKKKKK.
        KKwwwwwwwwwwwKK.
        KwKwwwwwwwwwKwK.
        KwwKwwwwwwwKwwK.
        KwwwKwwwwwKwwwK.
        KwwwwKKrKKwwwwK.
        KwwwKwwwwwKwwwK.
        KwwKwwwwwwwKwwK.
        KwKwwwwwwwwwKwK.
        KKKKKKKKKKKKKKK.
        ................
        ................
        ................
        """,
    ),
    "disc": sprite(
        {"K": "#606060", "s": "#d4d4dc", "l": "#f4f4ff", "c": "#a8d0f0", "p": "#e0b0e8", "w": "#ffffff"},
        """
        ................
        .....KKKKKK.....
        ...KKllllssKK...
        ..KllllsssccsK..
        ..KlllssscccsK..
        .KllsssKKccsssK.
        .KlssspK.KccssK.
        .KssspK..KcsssK.
        .KsspKK..KsssK..
        .KsspppKKsssslK.
        ..KssppsssslllK.
        ..KsppsssslllK..
        ...KKsssllllK...
        .....KKKKKK.....
        ................
        ................
        """,
    ),
    "note": sprite(
        {"K": "#202020", "n": "#404040", "v": "#7a44b8"},
        """
        ................
        .......KKKKKKK..
        .......KvvvvvK..
        .......KKKKKvK..
        .......K...KvK..
        .......K...KvK..
        .......K...KvK..
        .......K...KvK..
        .......K.KKKvK..
        .......KKvvvvK..
        ....KKKKKvvvvK..
        ...KvvvvKKvvK...
        ...KvvvvKKKK....
        ....KvvK........
        .....KK.........
        ................
        """,
    ),
    "cards": sprite(
        {"K": "#404040", "w": "#ffffff", "r": "#d82020", "b": "#3a6ad0", "l": "#9ab8f0"},
        """
        ................
        .KKKKKKKK.......
        .KblblblK.......
        .KlbKKKKKKKKK...
        .KblKwwwwwwwK...
        .KlbKwwwrwwwK...
        .KblKwwrrrwwK...
        .KlbKwrrrrrwK...
        .KblKrrrrrrrK...
        .KlbKwrrrrrwK...
        .KKKKwwrrrwwK...
        ....KwwwrwwwK...
        ....KwwwwwwwK...
        ....KKKKKKKKK...
        ................
        ................
        """,
    ),
    "chat": sprite(
        {"K": "#1a5a8a", "c": "#6ac0f0", "l": "#c8ecff", "w": "#ffffff"},
        """
        ................
        ................
        ..KKKKKKKKKKK...
        .KllllllllllcK..
        .KlccccccccccK..
        .KlcwwcwwcwwcK..
        .KlccccccccccK..
        .KlccccccccccK..
        ..KKKKccKKKKK...
        .....KcK........
        .....KK.........
        ................
        ................
        ................
        ................
        ................
        """,
    ),
    "shield": sprite(
        {"K": "#1a4a2a", "g": "#3aa84a", "l": "#9ae0a0", "w": "#ffffff"},
        """
        ................
        ..KKKKKKKKKKK...
        ..KlllllllllK...
        ..KlggggggggK...
        ..KlggggwgggK...
        ..KlgggwwwggK...
        ..KlggwwwwwgK...
        ..KlgggwwwggK...
        ...KgggwwwgK....
        ...KggggwggK....
        ....KgggggK.....
        .....KgggK......
        ......KgK.......
        .......K........
        ................
        ................
        """,
    ),
    "picture": sprite(
        {"K": "#404040", "s": "#8ccaf4", "w": "#ffffff", "y": "#f7d21e", "g": "#3aa83a", "G": "#1f6a1f", "m": "#8a8a9a"},
        """
        ................
        ................
        KKKKKKKKKKKKKKK.
        KwwwwwwwwwwwwwK.
        KwssssssssyyswK.
        KwssssssssyyswK.
        KwsssmssssssswK.
        KwssmmmsssssswK.
        KwsmmmmmsgggswK.
        KwmmmmmmgggggwK.
        KwgggggggGGggwK.
        KwwwwwwwwwwwwwK.
        KKKKKKKKKKKKKKK.
        ................
        ................
        ................
        """,
    ),
    "palette": sprite(
        {"K": "#6a4a1a", "t": "#e8c08a", "r": "#e03a2a", "b": "#3371e0", "g": "#3cb43c", "y": "#f7c51e"},
        """
        ................
        ................
        ....KKKKKKK.....
        ..KKtttttttKK...
        .KtttrrttbbttK..
        .KtttrrttbbtttK.
        KttttttttttttK..
        KtggttttttttK...
        KtggttttKKKK....
        KtttttttK.......
        .KtttyytK.......
        ..KttyyttK......
        ...KKtttttK.....
        .....KKKKK......
        ................
        ................
        """,
    ),
}


# ---------------------------------------------------------------------------------------------
# The welcome-page pictures: Start-menu cascades drawn with rectangles, lines and text.
# ---------------------------------------------------------------------------------------------

PAGE = "#f0f0f0"          # the page's button-face colour around the menus
MENU_FACE = "#ffffff"
MENU_BORDER = "#9a9a9a"
MENU_TEXT = "#000000"
SEPARATOR = "#d4d4d4"
HIGHLIGHT = "#316ac5"
HIGHLIGHT_TEXT = "#ffffff"
ITEM_HEIGHT = 18
PAD = 2                   # space between the border and the items
SHADOW = 3                # offset of the soft drop shadow
SUBMENU_OVERLAP = 3       # a submenu opens over the right edge of its parent
ICON_LEFT = 2             # icon and caption positions inside an item
TEXT_LEFT = ICON_LEFT + 16 + 5


def menu_font():
    if not FONT_PATH.exists():
        sys.exit(f"{FONT_PATH} is missing: apt-get install fonts-dejavu-core")
    # The basic layout keeps the advances on whole pixels, which looks steadier at this size.
    return ImageFont.truetype(str(FONT_PATH), 11, layout_engine=ImageFont.Layout.BASIC)


def column_width(font, items):
    """Width of one menu column: icon, gap, the longest caption, room for an arrow if needed."""
    longest = max(font.getlength(name) for _, name, _ in items)
    right = 16 if any(submenu for _, _, submenu in items) else 8
    return TEXT_LEFT + int(longest + 0.999) + right


def menu_size(columns):
    """Outer size of a menu: its columns, the lines between them, padding and border."""
    width = sum(w for w, _ in columns) + (len(columns) - 1) + 2 * (PAD + 1)
    rows = max(len(items) for _, items in columns)
    return width, rows * ITEM_HEIGHT + 2 * (PAD + 1)


def draw_shadow(img, box):
    """A soft grey shadow below and to the right of box, as drawn under popup menus."""
    left, top, right, bottom = box
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).rectangle((left + SHADOW, top + SHADOW, right + SHADOW, bottom + SHADOW), fill=70)
    mask = mask.filter(ImageFilter.BoxBlur(2))
    img.paste(Image.new("RGB", img.size, "#000000"), (0, 0), mask)


def draw_menu(img, font, origin, columns, highlight=None):
    """Draws a popup menu at origin; columns is a list of (width, items), items are
    (icon name or image, caption, has submenu). highlight is (column, row) or None.
    Returns the menu's box and a dict mapping (column, row) to each item's box."""
    width, height = menu_size(columns)
    left, top = origin
    box = (left, top, left + width - 1, top + height - 1)
    draw_shadow(img, box)
    draw = ImageDraw.Draw(img)
    draw.rectangle(box, fill=MENU_FACE, outline=MENU_BORDER)
    item_boxes = {}
    x = left + 1 + PAD
    for c, (col_width, items) in enumerate(columns):
        if c > 0:
            # Columns of one long menu are parted by a thin vertical line.
            draw.line((x - 1, top + 1 + PAD, x - 1, box[3] - 1 - PAD), fill=SEPARATOR)
        for r, (icon, caption, submenu) in enumerate(items):
            y = top + 1 + PAD + r * ITEM_HEIGHT
            item = (x, y, x + col_width - 1, y + ITEM_HEIGHT - 1)
            item_boxes[(c, r)] = item
            text_colour = MENU_TEXT
            if highlight == (c, r):
                draw.rectangle(item, fill=HIGHLIGHT)
                text_colour = HIGHLIGHT_TEXT
            image = MENU_ICONS[icon] if isinstance(icon, str) else icon
            img.paste(image, (x + ICON_LEFT, y + 1), image)
            draw.text((x + TEXT_LEFT, y + 13), caption, font=font, fill=text_colour, anchor="ls")
            if submenu:
                # The classic submenu arrow: a small solid triangle pointing right.
                ax, ay = item[2] - 9, y + ITEM_HEIGHT // 2
                draw.polygon(((ax, ay - 3), (ax + 3, ay), (ax, ay + 3)), fill=text_colour)
        x += col_width + 1
    return box, item_boxes


# The cluttered menu: folders, programs, read-me files and uninstallers all in one long list.
BEFORE_ITEMS = [
    ("folder", "Стандартные", True),
    ("folder", "Автозагрузка", True),
    ("blue", "Zestra Writer", False),
    ("folder", "Kelvo Player", True),
    ("globe", "Rivetta Browser", False),
    ("document", "Readme", False),
    ("folder", "Brisko Archiver", True),
    ("gear", "Vintor Tweaker", False),
    ("uninstall", "Удалить Brisko", False),
    ("cards", "Sable Solitaire", False),
    ("mail", "Nordwick Mail", False),
    ("folder", "Quillet Notes", True),
    ("disc", "Embero Burner", False),
    ("green", "Yarrow Calc", False),
    ("folder", "Tarnix Games", True),
    ("help", "Справка Kelvo", False),
    ("shield", "Wispen Guard", False),
    ("picture", "Fotaro Viewer", False),
    ("folder", "Cobalto FTP", True),
    ("chat", "Harbo Chat", False),
    ("red", "Sandrift Racer", False),
    ("note", "Kelvo Radio", False),
    ("folder", "Vennor Tools", True),
    ("document", "Лицензия", False),
    ("palette", "Kolorix Paint", False),
    ("purple", "Zubra Словарь", False),
]

BEFORE_OPEN = (0, 6)  # column and row of the open program group
BEFORE_SUBMENU = [
    ("teal", "Brisko Archiver", False),
    ("help", "Справка", False),
    ("document", "Readme.txt", False),
]

OPEN_CATEGORY = 6  # "Графика", the example the welcome text gives


def category_names():
    """The category names in the table of texts, in category order, one per category icon."""
    names = re.findall(r'\{TText::Category\w+, "([^"]*)"\}', TEXTS.read_text(encoding="utf-8"))
    if len(names) != len(CATEGORY_ICONS):
        sys.exit(f"{TEXTS} names {len(names)} categories, but there are {len(CATEGORY_ICONS)} "
                 "category icon drawings in make-resources.py")
    return names


# What the open category folder holds.
AFTER_SUBMENU = [
    ("palette", "Kolorix Paint", False),
    ("picture", "Fotaro Viewer", False),
    ("purple", "Skitsa Draw", False),
    ("teal", "Фотоальбом", False),
]


def welcome_before(font):
    img = Image.new("RGB", (276, 250), PAGE)
    half = (len(BEFORE_ITEMS) + 1) // 2
    columns = [BEFORE_ITEMS[:half], BEFORE_ITEMS[half:]]
    columns = [(column_width(font, items), items) for items in columns]
    width, height = menu_size(columns)
    assert width + SHADOW + 2 <= img.width and height + SHADOW + 2 <= img.height, (width, height)
    origin = ((img.width - SHADOW - width) // 2, (img.height - SHADOW - height) // 2)
    _, items = draw_menu(img, font, origin, columns, highlight=BEFORE_OPEN)
    # The open program group covers part of the second column, as cascades do.
    left, top, right, _ = items[BEFORE_OPEN]
    sub = [(column_width(font, BEFORE_SUBMENU), BEFORE_SUBMENU)]
    draw_menu(img, font, (right - SUBMENU_OVERLAP, top - 1 - PAD), sub)
    return img


def welcome_after(font, names):
    img = Image.new("RGB", (321, 250), PAGE)
    main_items = [(icon, name, True) for icon, name in zip(CATEGORY_ICONS, names)]
    main = [(column_width(font, main_items), main_items)]
    sub = [(column_width(font, AFTER_SUBMENU), AFTER_SUBMENU)]
    main_w, main_h = menu_size(main)
    sub_w, sub_h = menu_size(sub)
    total_w = main_w - SUBMENU_OVERLAP + sub_w + SHADOW
    left = (img.width - total_w) // 2
    sub_top_offset = OPEN_CATEGORY * ITEM_HEIGHT  # the submenu's first item lines up with its folder
    total_h = max(main_h, sub_top_offset + sub_h) + SHADOW
    top = (img.height - total_h) // 2
    draw_menu(img, font, (left, top), main, highlight=(0, OPEN_CATEGORY))
    draw_menu(img, font, (left + main_w - SUBMENU_OVERLAP, top + sub_top_offset), sub)
    return img


# ---------------------------------------------------------------------------------------------
# File formats
# ---------------------------------------------------------------------------------------------

def bmp24(img):
    """An uncompressed, bottom-up 24-bit BMP file, as LoadImage expects."""
    width, height = img.size
    r, g, b = img.convert("RGB").split()
    bgr = Image.merge("RGB", (b, g, r)).tobytes()
    stride = (width * 3 + 3) & ~3
    padding = b"\0" * (stride - width * 3)
    pixels = b"".join(bgr[y * width * 3:(y + 1) * width * 3] + padding for y in reversed(range(height)))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pixels


def ico32(img):
    """A one-image .ico: 32-bit BGRA colour plus the 1-bit AND mask that older image lists use."""
    width, height = img.size
    rgba = img.convert("RGBA")
    colour = bytearray()
    mask = bytearray()
    mask_bits = (width + 31) // 32 * 32  # mask rows are padded to whole 32-bit words
    for y in reversed(range(height)):
        bits = 0
        for x in range(width):
            r, g, b, a = rgba.getpixel((x, y))
            assert a in (0, 255), "icons keep to fully opaque or fully transparent pixels"
            if a == 0:
                # Transparent pixels are black so that the XOR step leaves the background alone.
                colour += b"\0\0\0\0"
                bits |= 1 << (mask_bits - 1 - x)  # the leftmost pixel is the highest bit
            else:
                colour += bytes((b, g, r, 255))
        mask += bits.to_bytes(mask_bits // 8, "big")
    # The header's height counts the colour and mask halves together.
    info = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = info + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


# ---------------------------------------------------------------------------------------------
# Previews: enlarged PNGs for looking at the pictures; never written into the repository.
# ---------------------------------------------------------------------------------------------

def write_previews(directory, icons, before, after):
    directory.mkdir(parents=True, exist_ok=True)
    scale = 8
    sheet = Image.new("RGB", (len(icons) * (16 * scale + 8) + 8, 16 * scale * 2 + 24 + 16 * 2 + 8), PAGE)
    for i, icon in enumerate(icons):
        x = 8 + i * (16 * scale + 8)
        big = icon.resize((16 * scale, 16 * scale), Image.NEAREST)
        # Once on the page colour, once on white, to judge the outline against both.
        sheet.paste(big, (x, 8), big)
        ImageDraw.Draw(sheet).rectangle((x, 16 + 16 * scale, x + 16 * scale - 1, 16 + 32 * scale - 1), fill="#ffffff")
        sheet.paste(big, (x, 16 + 16 * scale), big)
        sheet.paste(icon, (x, 24 + 32 * scale), icon)
        sheet.paste(icon, (x + 24, 24 + 32 * scale), icon)
    sheet.save(directory / "icons.png")

    # The bottom of the welcome page at 1:1, with both pictures where the window puts them.
    page = Image.new("RGB", (742, 280), PAGE)
    page.paste(before, (15 + 3, 10))
    page.paste(after, (393 + 3, 10))
    page.save(directory / "welcome.png")
    page.resize((page.width * 2, page.height * 2), Image.NEAREST).save(directory / "welcome-2x.png")
    menu_sheet = Image.new("RGB", (len(MENU_ICONS) * (16 * 6 + 6) + 6, 16 * 6 + 12), "#ffffff")
    for i, icon in enumerate(MENU_ICONS.values()):
        big = icon.resize((16 * 6, 16 * 6), Image.NEAREST)
        menu_sheet.paste(big, (6 + i * (16 * 6 + 6), 6), big)
    menu_sheet.save(directory / "menu-icons.png")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=Path, default=REPO / "ui" / "resources", metavar="DIR",
                        help="write the icons and pictures here (default: ui/resources)")
    parser.add_argument("--preview", type=Path, metavar="DIR", help="also write enlarged PNG previews here")
    args = parser.parse_args()

    names = category_names()
    font = menu_font()
    before = welcome_before(font)
    after = welcome_after(font, names)
    out = args.output
    out.mkdir(parents=True, exist_ok=True)
    (out / "welcome_before.bmp").write_bytes(bmp24(before))
    (out / "welcome_after.bmp").write_bytes(bmp24(after))
    for k, icon in enumerate(CATEGORY_ICONS):
        (out / f"category_{k}.ico").write_bytes(ico32(icon))
    (out / "orvane.ico").write_bytes(ico32(APP_ICON))

    if args.preview:
        write_previews(args.preview, CATEGORY_ICONS + [APP_ICON], before, after)


if __name__ == "__main__":
    main()
