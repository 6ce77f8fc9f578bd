#!/usr/bin/env python3
"""Writes the small sample pictures of this folder: the seeds of the picture fuzz target and the
files the picture tests load. Every file is a valid image of its format, built from the layouts
byte by byte. Run it from this folder; the output is deterministic."""
import struct
import zlib

W, H = 5, 3


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def pack_row(indices, bits):
    out = bytearray((len(indices) * bits + 7) // 8)
    for x, v in enumerate(indices):
        bit = x * bits
        out[bit // 8] |= v << (8 - bits - bit % 8)
    return bytes(out)


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def bmp(bits, header=40, compression=0, palette=(), masks=(), pixels=b"", width=W, height=H,
        clr_used=None):
    core = header == 12
    masks_after = compression == 3 and header == 40
    pal = b"".join(struct.pack("<BBB", c & 255, c >> 8 & 255, c >> 16) + (b"" if core else b"\0")
                   for c in palette)
    if core:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        used = len(palette) if clr_used is None else clr_used
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, len(pixels),
                           2835, 2835, used, 0)
        m = list(masks) + [0] * (4 - len(masks))
        if header >= 52:
            info += struct.pack("<III", *m[:3])
        if header >= 56:
            info += struct.pack("<I", m[3])
        if header >= 108:
            info += struct.pack("<I", 0x73524742) + b"\0" * 48
        if header >= 124:
            info += b"\0" * 16
        if masks_after:
            info += struct.pack("<III", *m[:3])
    offset = 14 + len(info) + len(pal)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + pal + pixels


def indexed(bits, header=40, top_down=False, clr_used=None, ncolors=None):
    n = ncolors or (1 << bits)
    palette = [((i * 53) % 256) << 16 | ((255 - i * 7) % 256) << 8 | (i * 29) % 256 for i in range(n)]
    rows = [pad(pack_row([(x + y * 2) % n for x in range(W)], bits)) for y in range(H)]
    if not top_down:
        rows.reverse()
    return bmp(bits, header, 0, palette, (), b"".join(rows), W, -H if top_down else H, clr_used)


def truecolor(bits, header=40, compression=0, masks=(), top_down=False):
    rows = []
    for y in range(H):
        row = b""
        for x in range(W):
            r, g, b = x * 60, y * 120, 255 - x * 40
            if bits == 16:
                if masks and masks[1] == 0x07E0:
                    row += struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | b >> 3)
                else:
                    row += struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
            elif bits == 24:
                row += bytes((b, g, r))
            else:
                row += bytes((b, g, r, 200))
        rows.append(pad(row))
    if not top_down:
        rows.reverse()
    return bmp(bits, header, compression, (), masks, b"".join(rows), W, -H if top_down else H)


def icon_dib(size, bits):
    s, ms = stride(size, bits), stride(size, 1)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, (s + ms) * size, 0, 0, 0, 0)
    pal = b"".join(struct.pack("<I", i * 0x010101 & 0xFFFFFF) for i in range(1 << bits)) if bits <= 8 else b""
    color = bytes((i * 7) & 255 for i in range(s * size))
    mask = b"\0" * (ms * size)
    return info + pal + color + mask


def png(width, height):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b""
    for y in range(height):
        raw += b"\0" + b"".join(bytes((x * 30 & 255, y * 30 & 255, 128, 255)) for x in range(width))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, datas = b"", b""
    for w, h, bits, data in images:
        entries += struct.pack("<BBBBHHII", w & 255, h & 255, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
        datas += data
    return head + entries + datas


def emf(frame, records=()):
    header = struct.pack("<II4i4iIIIIHHIIIiiiiIIIii", 1, 108, 0, 0, 95, 47, *frame, 0x464D4520, 0x10000,
                         0, 0, 1, 0, 0, 0, 0, 1024, 768, 320, 240, 0, 0, 0, 320000, 240000)
    body = b"".join(struct.pack("<II", t, 8 + len(p)) + p for t, p in records)
    eof = struct.pack("<IIIII", 14, 20, 0, 16, 20)
    data = bytearray(header + body + eof)
    struct.pack_into("<II", data, 48, len(data), len(records) + 2)
    return bytes(data)


def wmf(extent=None, placeable=None):
    recs = b""
    if extent:
        recs += struct.pack("<IHhh", 5, 0x020C, extent[1], extent[0])
    recs += struct.pack("<IHhh", 5, 0x020B, 0, 0)          # SetWindowOrg
    recs += struct.pack("<IHhhhh", 7, 0x041B, 40, 60, 10, 10)  # Rectangle
    recs += struct.pack("<IH", 3, 0)
    meta = struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(recs)) // 2, 0, 7, 0) + recs
    if not placeable:
        return meta
    inch, right, bottom = placeable
    head = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, right, bottom, inch, 0)
    checksum = 0
    for i in range(0, 20, 2):
        checksum ^= struct.unpack_from("<H", head, i)[0]
    return head + struct.pack("<H", checksum) + meta


def rle8():
    palette = [i * 0x010101 for i in range(16)]
    data = (bytes((3, 1, 2, 2, 0, 0)) +               # bottom row: 1 1 1 2 2
            bytes((0, 5, 3, 4, 5, 6, 7, 0, 0, 0)) +   # absolute block of 5, padded, end of line
            bytes((0, 2, 1, 0, 4, 9, 0, 1)))          # delta, run of 4, end of bitmap
    return bmp(8, 40, 1, palette, (), data)


def rle4():
    palette = [i * 0x111111 for i in range(16)]
    data = (bytes((5, 0x12, 0, 0)) +                  # run of 5 alternating 1 and 2
            bytes((0, 3, 0x34, 0x50, 0, 0)) +         # absolute block of 3 nibbles, end of line
            bytes((2, 0xFF, 0, 1)))                   # run of 2, end of bitmap
    return bmp(4, 40, 2, palette, (), data)


SAMPLES = {
    "bmp1.bmp": indexed(1),
    "bmp4.bmp": indexed(4),
    "bmp8.bmp": indexed(8),
    "bmp8_short_palette.bmp": indexed(8, ncolors=6),
    "bmp8_topdown.bmp": indexed(8, top_down=True),
    "core1.bmp": indexed(1, 12),
    "core4.bmp": indexed(4, 12),
    "core8.bmp": indexed(8, 12),
    "core24.bmp": truecolor(24, 12),
    "bmp16_555.bmp": truecolor(16),
    "bmp16_565.bmp": truecolor(16, 40, 3, (0xF800, 0x07E0, 0x001F)),
    "bmp24.bmp": truecolor(24),
    "bmp24_topdown.bmp": truecolor(24, top_down=True),
    "bmp32.bmp": truecolor(32),
    "bmp32_bitfields.bmp": truecolor(32, 40, 3, (0xFF0000, 0xFF00, 0xFF)),
    "v4_32_alpha.bmp": truecolor(32, 108, 3, (0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
    "v5_24.bmp": truecolor(24, 124),
    "rle8.bmp": rle8(),
    "rle4.bmp": rle4(),
    "icon_dibs.ico": ico([(16, 16, 1, icon_dib(16, 1)), (16, 16, 4, icon_dib(16, 4)),
                          (32, 32, 8, icon_dib(32, 8)), (24, 24, 24, icon_dib(24, 24)),
                          (8, 8, 32, icon_dib(8, 32))]),
    "icon_png.ico": ico([(256, 256, 32, png(6, 6)), (16, 16, 8, icon_dib(16, 8))]),
    "picture.emf": emf((0, 0, 2540, 1270), [(70, b"abcd"), (27, struct.pack("<ii", 10, 10))]),
    "placeable.wmf": wmf((96, 48), (1440, 1440, 720)),
    "plain.wmf": wmf((64, 32)),
}

if __name__ == "__main__":
    for name, data in SAMPLES.items():
        with open(name, "wb") as f:
            f.write(data)
