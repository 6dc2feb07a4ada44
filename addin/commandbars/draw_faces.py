#!/usr/bin/env python3
"""Draws the two 16x16 legacy toolbar button faces as uncompressed 4-bit BMP
files (resources 110 and 111). Palette entry 0, the top-left pixel, is the
background that the button shows as transparent. Run from this folder;
needs only the standard library."""
import struct

PALETTE = [
    (255, 0, 255),    # . background
    (48, 48, 48),     # o outline
    (255, 250, 232),  # p page
    (32, 96, 200),    # b arrow
    (150, 100, 40),   # t tray
    (96, 110, 130),   # c clip
] + [(0, 0, 0)] * 10
KEYS = {'.': 0, 'o': 1, 'p': 2, 'b': 3, 't': 4, 'c': 5}

ARCHIVE = [
    "................",
    "...oooooo.......",
    "...opppppo......",
    "...oppppppo.....",
    "...opppbbppo....",
    "...opppbbppo....",
    "...opbbbbbbo....",
    "...oppbbbbpo....",
    "...opppbbppo....",
    "...oooooooooo...",
    ".tt..........tt.",
    ".tt..........tt.",
    ".tttttttttttttt.",
    ".tttttttttttttt.",
    "................",
    "................",
]
ATTACHMENT = [
    "................",
    "..oooooooo......",
    "..oppppppoo.....",
    "..opppppppoo....",
    "..oppppcccco....",
    "..opppcppppc....",
    "..opppcpccpc....",
    "..opppcpcppc....",
    "..opppcpcppc....",
    "..opppcpcppc....",
    "..opppcccppc....",
    "..oppppppccc....",
    "..oppppppppo....",
    "..oppppppppo....",
    "..oooooooooo....",
    "................",
]


def write(path, rows):
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), path
    bits = b''
    for row in reversed(rows):  # bottom-up
        idx = [KEYS[c] for c in row]
        bits += bytes((idx[i] << 4) | idx[i + 1] for i in range(0, 16, 2))
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 4, 0, len(bits), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(header + info + palette + bits)


write('ArchiveFace.bmp', ARCHIVE)
write('AttachmentFace.bmp', ATTACHMENT)
