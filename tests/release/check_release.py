#!/usr/bin/env python3
"""Checks what a release archive holds: exactly the two programs, the guide and their checksums,
in that order; 32-bit programs for i686 with no link time and the archive's version in their
version resources; a guide in UTF-8 with a byte-order mark and Windows line ends, naming the
version. Extracts the programs into OUT for the import check. Prints each failure and exits 1 on any.

Usage: check_release.py ZIP VERSION OUT
"""
import hashlib
import os
import struct
import sys
import zipfile

PROGRAMS = ["Orvane.exe", "orvane-catalogue.exe"]
ENTRIES = PROGRAMS + ["Справка.txt", "SHA256SUMS"]
RT_VERSION = 16
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def entry_name(info):
    """The name as the compressed folders of a Russian Windows read it (code page 866), and as
    7-Zip and unzip read it (the Info-ZIP Unicode Path field), when the two agree."""
    oem = info.orig_filename.encode("cp437") if not info.flag_bits & 0x800 else None
    name = oem.decode("cp866") if oem is not None else info.orig_filename
    extra = info.extra
    while len(extra) >= 4:
        field, size = struct.unpack_from("<HH", extra)
        if field == 0x7075:
            unicode_name = extra[9 : 4 + size].decode("utf-8")
            check(unicode_name == name, f"{name}: the Unicode Path field says {unicode_name}")
        extra = extra[4 + size :]
    return name


def pe_sections(data):
    header = struct.unpack_from("<I", data, 0x3C)[0]
    check(data[header : header + 4] == b"PE\0\0", "not a PE file")
    machine, count, stamp = struct.unpack_from("<HHI", data, header + 4)
    optional_size = struct.unpack_from("<H", data, header + 20)[0]
    optional = header + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    sections = []
    for i in range(count):
        at = optional + optional_size + 40 * i
        rva, raw_size, raw = struct.unpack_from("<III", data, at + 12)
        sections.append((rva, raw_size, raw))
    resources = struct.unpack_from("<I", data, optional + 96 + 8 * 2)[0]
    return machine, magic, stamp, sections, resources


def file_offset(sections, rva):
    for start, size, raw in sections:
        if start <= rva < start + size:
            return raw + rva - start
    raise ValueError(f"RVA {rva:#x} in no section")


def version_resource(data):
    """The bytes of the first RT_VERSION resource."""
    _, _, _, sections, rsrc_rva = pe_sections(data)
    base = file_offset(sections, rsrc_rva)

    def first_entry(directory, wanted=None):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if wanted is None or name == wanted:
                return target & 0x7FFFFFFF
        return None

    level = first_entry(0, RT_VERSION)
    if level is None:
        return None
    leaf = first_entry(first_entry(level))
    rva, size = struct.unpack_from("<II", data, base + leaf)
    at = file_offset(sections, rva)
    return data[at : at + size]


def version_texts(block):
    """The fixed file version and the StringFileInfo values of a VS_VERSIONINFO block."""
    texts = {}

    def node(at, end):
        length, value_length, kind = struct.unpack_from("<HHH", block, at)
        key_end = at + 6
        while block[key_end : key_end + 2] != b"\0\0":
            key_end += 2
        key = block[at + 6 : key_end].decode("utf-16-le")
        value = (key_end + 2 + 3) & ~3
        if kind == 1 and value_length:
            texts[key] = block[value : value + 2 * value_length].decode("utf-16-le").rstrip("\0")
            value += 2 * value_length
        else:
            if key == "VS_VERSION_INFO":
                signature, _, ms, ls = struct.unpack_from("<IIII", block, value)
                check(signature == 0xFEEF04BD, "no VS_FIXEDFILEINFO")
                texts["fixed"] = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
            value += value_length
        child = (value + 3) & ~3
        while child < min(at + length, end):
            child = (node(child, at + length) + 3) & ~3
        return at + length

    node(0, len(block))
    return texts


def check_program(name, data, version):
    machine, magic, stamp, _, _ = pe_sections(data)
    check(machine == 0x14C and magic == 0x10B, f"{name}: not a PE32 program for i386")
    check(stamp == 0, f"{name}: the PE header holds a link time ({stamp})")
    block = version_resource(data)
    if not check(block is not None, f"{name}: no version resource"):
        return
    texts = version_texts(block)
    check(texts.get("fixed") == version + ".0", f"{name}: file version {texts.get('fixed')}")
    for key in ("FileVersion", "ProductVersion"):
        check(texts.get(key) == version, f"{name}: {key} is {texts.get(key)}, not {version}")
    check(texts.get("OriginalFilename") == name, f"{name}: named {texts.get('OriginalFilename')}")


def check_guide(data, version):
    if not check(data.startswith(b"\xef\xbb\xbf"), "Справка.txt: no UTF-8 byte-order mark"):
        return
    try:
        text = data[3:].decode("utf-8")
    except UnicodeDecodeError as e:
        check(False, f"Справка.txt: not UTF-8 ({e})")
        return
    check("\n" not in text.replace("\r\n", ""), "Справка.txt: a line end other than CR LF")
    check(f"Orvane {version}" in text.splitlines()[0], "Справка.txt: the title has no version")
    check("@ORVANE_VERSION@" not in text, "Справка.txt: the version mark is left in")
    for words in ("Предложить категории", "Вернуть как было", "администратор", "Windows 10",
                  "--suggest", "--undo", "SHA256SUMS"):
        check(words in text, f"Справка.txt: nothing about {words}")


def main():
    archive, version, out = sys.argv[1:4]
    check(os.path.basename(archive) == f"Orvane-{version}.zip", f"{archive}: not named by {version}")
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
        names = [entry_name(info) for info in infos]
        check(names == ENTRIES, f"the archive holds {names}, not {ENTRIES}")
        files = {name: z.read(info) for name, info in zip(names, infos)}
    for name in PROGRAMS:
        if check(name in files, f"{name} is missing"):
            check_program(name, files[name], version)
            with open(os.path.join(out, name), "wb") as f:
                f.write(files[name])
    sums = files.get("SHA256SUMS", b"").decode("ascii")
    expected = "".join(f"{hashlib.sha256(files.get(n, b'')).hexdigest()}  {n}\r\n" for n in PROGRAMS)
    check(sums == expected, f"SHA256SUMS is {sums!r}, not {expected!r}")
    check_guide(files.get("Справка.txt", b""), version)
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
