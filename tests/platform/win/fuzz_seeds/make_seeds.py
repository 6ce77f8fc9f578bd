#!/usr/bin/env python3
"""Writes the small seed files of the version-reader fuzz target (the test libraries of the build
are its other seeds): a raw version block and a PE file holding it as its RT_VERSION resource.

Usage: python3 tests/platform/win/fuzz_seeds/make_seeds.py   (writes beside this script)
"""
import os
import struct


def node(key, value=b"", value_length=0, text=False, children=()):
    body = struct.pack("<HHH", 0, value_length, 1 if text else 0) + (key + "\0").encode("utf-16-le")
    body += b"\0" * (-len(body) % 4) + value
    for child in children:
        body += b"\0" * (-len(body) % 4) + child
    return struct.pack("<H", len(body)) + body[2:]


def string(name, value):
    return node(name, (value + "\0").encode("utf-16-le"), len(value) + 1, True)


def version_block():
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, 0x00010002, 0x00030004, 0x00000000, 0x00000000,
                        0x3F, 0, 0, 2, 0, 0, 0)
    table = node("040904E4", text=True, children=[string("FileVersion", "1.2.3.4"),
                                                  string("ProductVersion", "6.0.3.2345")])
    strings = node("StringFileInfo", text=True, children=[table])
    var = node("VarFileInfo", text=True,
               children=[node("Translation", struct.pack("<HH", 0x0409, 1252), 4)])
    return node("VS_VERSION_INFO", fixed, len(fixed), children=[strings, var])


def pe(block):
    rva, raw = 0x1000, 0x200
    res = bytearray(0x58)
    struct.pack_into("<HH", res, 0x0C, 0, 1)
    struct.pack_into("<II", res, 0x10, 16, 0x80000000 | 0x18)
    struct.pack_into("<HH", res, 0x18 + 0x0C, 0, 1)
    struct.pack_into("<II", res, 0x18 + 0x10, 1, 0x80000000 | 0x30)
    struct.pack_into("<HH", res, 0x30 + 0x0C, 0, 1)
    struct.pack_into("<II", res, 0x30 + 0x10, 0x409, 0x48)
    struct.pack_into("<II", res, 0x48, rva + 0x58, len(block))
    res += block
    res += b"\0" * (-len(res) % 0x200)

    head = bytearray(raw)
    head[0:2] = b"MZ"
    struct.pack_into("<I", head, 0x3C, 0x40)
    head[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", head, 0x44, 0x8664, 1, 0, 0, 0, 240, 0x2022)
    opt = 0x58
    struct.pack_into("<H", head, opt, 0x20B)
    struct.pack_into("<I", head, opt + 108, 16)
    struct.pack_into("<II", head, opt + 112 + 16, rva, len(res))
    sec = opt + 240
    head[sec:sec + 8] = b".rsrc\0\0\0"
    struct.pack_into("<IIII", head, sec + 8, len(res), rva, len(res), raw)
    return bytes(head) + bytes(res)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    block = version_block()
    with open(os.path.join(here, "raw_block.bin"), "wb") as f:
        f.write(block)
    with open(os.path.join(here, "pe_version.bin"), "wb") as f:
        f.write(pe(block))


if __name__ == "__main__":
    main()
