#!/usr/bin/env python3
"""Packs Orvane's release archive so that the same inputs always give the same bytes.

The entries come in a fixed order, each with the commit's time (UTC) and the same attributes. The
guide gets the version, Windows line ends and a byte-order mark, so that Notepad on Windows 7
reads it. A name outside ASCII is stored in code page 866, which the compressed folders of a
Russian Windows 7 and 10 read, and its UTF-8 form goes into the Info-ZIP Unicode Path field, which
7-Zip and unzip read; the UTF-8 flag is not set, because the compressed folders of Windows before
10 ignore it.

Usage: make-release-zip.py --version V --time EPOCH --guide FILE --out ZIP EXE...
Writes ZIP and ZIP.sha256 beside it.
"""
import argparse
import hashlib
import os
import struct
import time
import zipfile
import zlib

GUIDE_NAME = "Справка.txt"
SUMS_NAME = "SHA256SUMS"
VERSION_MARK = "@ORVANE_VERSION@"
# MS-DOS attributes: an ordinary file (archive bit), from a FAT system.
FILE_ATTRIBUTES = 0x20
UNICODE_PATH_FIELD = 0x7075


class OemNamedEntry(zipfile.ZipInfo):
    """A zip entry whose name is stored in code page 866, with its UTF-8 form beside it."""

    def __init__(self, name, date_time):
        super().__init__(name, date_time)
        self.create_system = 0
        self.external_attr = FILE_ATTRIBUTES
        self.compress_type = zipfile.ZIP_DEFLATED
        if not name.isascii():
            oem = name.encode("cp866")
            body = struct.pack("<BI", 1, zlib.crc32(oem)) + name.encode("utf-8")
            self.extra = struct.pack("<HH", UNICODE_PATH_FIELD, len(body)) + body

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp866"), self.flag_bits


def windows_text(text):
    """The text with Windows line ends and a UTF-8 byte-order mark."""
    lines = text.lstrip("\ufeff").replace("\r\n", "\n").split("\n")
    return ("\ufeff" + "\r\n".join(lines)).encode("utf-8")


def guide(path, version):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if VERSION_MARK not in text:
        raise SystemExit(f"make-release-zip.py: {path} does not hold {VERSION_MARK}")
    return windows_text(text.replace(VERSION_MARK, version))


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--time", type=int, required=True, help="entry time, seconds since 1970")
    parser.add_argument("--guide", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()

    programs = []
    for path in args.programs:
        with open(path, "rb") as f:
            programs.append((os.path.basename(path), f.read()))
    sums = "".join(f"{sha256(data)}  {name}\r\n" for name, data in programs).encode("ascii")
    entries = programs + [(GUIDE_NAME, guide(args.guide, args.version)), (SUMS_NAME, sums)]

    # Zip times are local times of no zone, to two seconds, from 1980 on; the UTC time is used.
    date_time = time.gmtime(max(args.time, 315532800))[:6]
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    partial = args.out + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for name, data in entries:
            archive.writestr(OemNamedEntry(name, date_time), data, compresslevel=9)
    os.replace(partial, args.out)

    with open(args.out, "rb") as f:
        digest = sha256(f.read())
    with open(args.out + ".sha256", "w", encoding="ascii", newline="\n") as f:
        f.write(f"{digest}  {os.path.basename(args.out)}\n")


if __name__ == "__main__":
    main()
