#!/usr/bin/env python3
"""Checks that a linked Windows program's delay-load import slots are filled.

Usage: check-delay-imports.py NM PROGRAM.exe

Until its first call, each slot of a delay-loaded DLL's import address table
holds the address of a stub that loads the DLL and fills the slot. A slot
that the linker left 0 (see cmake/DelayImports.cmake) sends that first call
to address 0. The descriptors are found by their symbols (MinGW leaves the
PE header's delay-import directory empty), so the program must not be
stripped yet. Exits 1 and names the DLL and slot when one is empty.
"""
import struct
import subprocess
import sys


def sections(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    count = struct.unpack_from("<H", image, pe + 6)[0]
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    magic = struct.unpack_from("<H", image, pe + 24)[0]
    base = (struct.unpack_from("<I", image, pe + 24 + 28)[0] if magic == 0x10B
            else struct.unpack_from("<Q", image, pe + 24 + 24)[0])
    table = pe + 24 + optional_size
    found = []
    for i in range(count):
        _, vsize, rva, raw_size, raw = struct.unpack_from("<8sIIII", image, table + 40 * i)
        found.append((rva, max(vsize, raw_size), raw))
    return base, 8 if magic == 0x20B else 4, found


def main():
    nm, program = sys.argv[1], sys.argv[2]
    image = open(program, "rb").read()
    base, width, secs = sections(image)

    def at(rva, size):
        for start, length, raw in secs:
            if start <= rva and rva + size <= start + length:
                return image[raw + rva - start: raw + rva - start + size]
        raise ValueError("RVA %#x lies in no section" % rva)

    def word(rva):
        return int.from_bytes(at(rva, width), "little")

    symbols = subprocess.run([nm, program], check=True, capture_output=True, text=True).stdout
    descriptors = [int(line.split()[0], 16) for line in symbols.splitlines()
                   if "__DELAY_IMPORT_DESCRIPTOR_" in line]
    image_end = max(start + length for start, length, _ in secs)
    bad = 0
    for va in descriptors:
        attrs, name, _, iat, names = struct.unpack("<5I", at(va - base, 20))
        if not attrs & 1:
            print("%s: delay-load descriptor at %#x is not RVA-based" % (program, va))
            bad += 1
            continue
        dll = image[:0]
        k = name
        while at(k, 1) != b"\0":
            dll += at(k, 1)
            k += 1
        slot = 0
        while word(names + slot * width):
            target = word(iat + slot * width)
            if not base <= target < base + image_end:
                print("%s: delay-load slot %d of %s holds %#x, not an address in the program"
                      % (program, slot, dll.decode(), target))
                bad += 1
            slot += 1
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
