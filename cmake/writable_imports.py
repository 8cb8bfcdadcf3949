#!/usr/bin/env python3
"""Usage: writable_imports.py EXE

The loader writes each imported function's address into the import address table, in the
.idata section, and neither Windows 95's loader nor NT 4.0's is documented to make that
section writable first: the format's own table of special sections gives .idata read and
write. binutils 2.44 links .idata read-only (2.40 read and write). This gives
.idata the write flag and the header its checksum again; a file whose .idata is writable
already is left byte for byte as it is."""
import struct
import sys

IMAGE_SCN_MEM_WRITE = 0x80000000


def checksum(data, field):
    """The PE header checksum: 16-bit words summed with carries folded, the checksum field
    itself counted as zero, plus the file's length."""
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for offset in range(0, len(padded), 2):
        if field <= offset < field + 4:
            continue
        total += padded[offset] | padded[offset + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16) + len(data)) & 0xFFFFFFFF


def main(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"{path}: not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    table = optional + optional_size
    for index in range(sections):
        header = table + 40 * index
        if data[header:header + 8].rstrip(b"\0") != b".idata":
            continue
        flags = struct.unpack_from("<I", data, header + 36)[0]
        if flags & IMAGE_SCN_MEM_WRITE:
            return
        struct.pack_into("<I", data, header + 36, flags | IMAGE_SCN_MEM_WRITE)
        field = optional + 64       # CheckSum, at the same place in PE32 and PE32+
        struct.pack_into("<I", data, field, checksum(bytes(data), field))
        with open(path, "wb") as f:
            f.write(data)
        return
    sys.exit(f"{path}: no .idata section")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
