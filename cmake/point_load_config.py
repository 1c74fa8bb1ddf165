#!/usr/bin/env python3
"""Points a linked PE image at its load configuration structure.

GNU ld (2.40) links the structure `_load_config_used` (res/load_config.c) into the image
but leaves the load configuration entry of the data directory empty, so the loader would
never see the structure's dependent load flags. This step fills that entry with the
structure's address (found by its symbol) and its size (the structure's first field),
and computes the image's checksum again.

usage: point_load_config.py IMAGE
"""
import struct
import sys

LOAD_CONFIG_ENTRY = 10


def fail(image, message):
    sys.exit(f"point_load_config: {image}: {message}")


def pe_checksum(data, checksum_at):
    """The image checksum as the loader and the linker compute it: the 16-bit words summed
    with the carries folded back, the checksum field itself read as zero, plus the length."""
    padded = bytes(data[:checksum_at]) + b"\0\0\0\0" + bytes(data[checksum_at + 4:])
    if len(padded) % 2:
        padded += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def main(image):
    with open(image, "rb") as f:
        data = bytearray(f.read())
    if data[:2] != b"MZ":
        fail(image, "not a PE image")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail(image, "not a PE image")
    machine, sections, _, symbols_at, symbol_count, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x10B:
        directories, checksum_at, flags_at = optional + 96, optional + 64, 54
    elif magic == 0x20B:
        directories, checksum_at, flags_at = optional + 112, optional + 64, 78
    else:
        fail(image, f"unknown optional header magic {magic:#x}")
    if symbols_at == 0:
        fail(image, "no symbol table (stripped?): the load configuration cannot be found")

    # 32-bit x86 symbols carry a leading underscore.
    wanted = "__load_config_used" if machine == 0x14C else "_load_config_used"
    strings_at = symbols_at + 18 * symbol_count
    found = None
    index = 0
    while index < symbol_count:
        at = symbols_at + 18 * index
        raw_name, value, section, _, _, aux = struct.unpack_from("<8sIhHBB", data, at)
        if raw_name[:4] == b"\0\0\0\0":
            offset = struct.unpack_from("<I", raw_name, 4)[0]
            end = data.index(b"\0", strings_at + offset)
            name = data[strings_at + offset:end].decode("ascii", "replace")
        else:
            name = raw_name.rstrip(b"\0").decode("ascii", "replace")
        if name == wanted and section > 0:
            found = (section, value)
            break
        index += 1 + aux
    if found is None:
        fail(image, f"no symbol {wanted}: res/load_config.c is not linked in")

    table = optional + optional_size
    header = struct.unpack_from("<8sIIII", data, table + 40 * (found[0] - 1))
    rva = header[2] + found[1]
    file_offset = header[4] + found[1]
    size = struct.unpack_from("<I", data, file_offset)[0]
    if size < flags_at + 2:
        fail(image, f"the structure's size {size} does not reach the dependent load flags")

    entry = directories + 8 * LOAD_CONFIG_ENTRY
    old = struct.unpack_from("<II", data, entry)
    if old not in ((0, 0), (rva, size)):
        fail(image, f"the load configuration entry already points elsewhere ({old[0]:#x}, {old[1]})")
    had_checksum = struct.unpack_from("<I", data, checksum_at)[0] != 0
    if had_checksum and struct.unpack_from("<I", data, checksum_at)[0] != pe_checksum(data, checksum_at):
        fail(image, "its checksum is wrong before this change")
    struct.pack_into("<II", data, entry, rva, size)
    if had_checksum:
        struct.pack_into("<I", data, checksum_at, pe_checksum(data, checksum_at))
    with open(image, "r+b") as f:
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    main(sys.argv[1])
