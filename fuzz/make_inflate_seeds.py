#!/usr/bin/env python3
"""Writes the seed corpus of inflate_fuzz: small raw deflate streams made by zlib at several
levels and strategies (stored, fixed, Huffman only, run-length, filtered, dynamic)."""
import os
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "inflate")

TEXT = (b"pref(\"plugin.enabled\", true);\n" * 12 + b"The window keeps painting while "
        b"the archive is read, 2048 bytes at a time.\n" * 6)
BINARY = bytes((i * 37 + (i >> 3)) & 0xFF for i in range(700))
RUNS = b"a" * 300 + b"b" * 5 + b"\0" * 200

CASES = [
    ("stored", TEXT[:300], 0, zlib.Z_DEFAULT_STRATEGY),
    ("level1-text", TEXT, 1, zlib.Z_DEFAULT_STRATEGY),
    ("level6-text", TEXT, 6, zlib.Z_DEFAULT_STRATEGY),
    ("level9-binary", BINARY, 9, zlib.Z_DEFAULT_STRATEGY),
    ("fixed", TEXT[:400], 6, zlib.Z_FIXED),
    ("huffman-only", TEXT[:500], 6, zlib.Z_HUFFMAN_ONLY),
    ("rle", RUNS, 6, zlib.Z_RLE),
    ("filtered", BINARY[:400] + TEXT[:200], 6, zlib.Z_FILTERED),
    ("empty", b"", 6, zlib.Z_DEFAULT_STRATEGY),
]


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data, level, strategy in CASES:
        c = zlib.compressobj(level, zlib.DEFLATED, -15, 8, strategy)
        stream = c.compress(data) + c.flush()
        with open(os.path.join(OUT, name + ".deflate"), "wb") as f:
            f.write(stream)


if __name__ == "__main__":
    main()
