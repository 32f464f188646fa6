#!/usr/bin/env python3
"""Builds an installation medium folder for setup.exe: setup.dat, license texts, the
background bitmap of the language folder and, when given, the program itself and packages.

  make_medium.py OUT [--setup setup.exe] [--product-code GUID] [--size TEXT] [--name NAME]
                 [--setup-dat-hex HEX | --no-setup-dat] [--eula TEXT | --no-eula]
                 [--eula-name EULA.txt] [--data-license TEXT | --no-data-license]
                 [--no-bom] [--bitmap WxH | --no-bitmap] [--frame RRGGBB] [--lang ENU]
                 [--languages all | ABBR,ABBR,... [--satellites FOLDER]] [--copy SRC=RELPATH ...]

--languages puts the satellite libraries of those languages (setup<ABBR>.dll, <ABBR> as Windows
abbreviates the user's UI language) beside setup.exe, taken from --satellites (by default the
folder of --setup); "all" takes every one there. A user whose language has none reads English.
"""
import argparse
import glob
import math
import os
import shutil
import struct
import sys


def setup_dat(code, size_text, name):
    """The fixed layout: 36 units of product code, 20 units of number text, then the name."""
    if len(code) > 36 or len(size_text) > 20:
        raise ValueError("product code is at most 36 and the size text at most 20 characters")
    units = code.ljust(36) + size_text.ljust(20) + name
    return units.encode("utf-16-le")


def utf16_text(text, bom=True):
    return (b"\xff\xfe" if bom else b"") + text.encode("utf-16-le")


def background_bitmap(width, height, frame=(0x2a, 0x3f, 0x55)):
    """A 24-bit bottom-up bitmap: a pale map sheet with contour lines and a coloured frame."""
    row_bytes = (width * 3 + 3) & ~3
    pixels = bytearray(row_bytes * height)
    for y in range(height):
        top = height - 1 - y  # rows are stored bottom-up
        for x in range(width):
            fx, fy = x / width, top / height
            # Base colour: light paper blue, darker towards the bottom.
            r, g, b = 0xe6 - int(40 * fy), 0xee - int(30 * fy), 0xf6 - int(20 * fy)
            # Contour lines of a smooth relief.
            h = math.sin(fx * 7.0) * math.cos(fy * 5.0) + 0.6 * math.sin((fx + fy) * 11.0)
            if abs((h * 6.0) % 1.0 - 0.5) < 0.04:
                r, g, b = 0xad, 0xc1, 0xd6
            if x < 4 or y < 4 or x >= width - 4 or y >= height - 4:
                r, g, b = frame
            o = y * row_bytes + x * 3
            pixels[o:o + 3] = bytes((b, g, r))
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    return file_header + info_header + bytes(pixels)


def write(path, data):
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


DEMO_EULA = ("KORVEL SOFTWARE LICENSE AGREEMENT\r\n\r\n"
             "This demonstration medium carries no real product. By installing it you agree that "
             "the software is provided as it is, without warranty of any kind.\r\n")
DEMO_DATA_LICENSE = ("KORVEL DATA LICENSE AGREEMENT\r\n\r\n"
                     "The map data of this demonstration medium is made up. You may use it to try "
                     "the installation and for nothing else.\r\n")


def satellites(languages, folder):
    """The satellite libraries of the languages ("all": every one in the folder); a missing one is an error."""
    if not languages:
        return []
    if languages == "all":
        found = sorted(p for p in glob.glob(os.path.join(folder, "setup*.dll"))
                       if len(os.path.basename(p)) == len("setupABC.dll"))
        if not found:
            raise SystemExit(f"make_medium: no setup<ABBR>.dll in {folder}")
        return found
    paths = [os.path.join(folder, f"setup{abbr.strip().upper()}.dll") for abbr in languages.split(",") if abbr.strip()]
    missing = [p for p in paths if not os.path.isfile(p)]
    if missing:
        raise SystemExit("make_medium: no " + ", ".join(missing))
    return paths


def main(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("out")
    p.add_argument("--setup", help="setup.exe to copy onto the medium")
    p.add_argument("--product-code", default="8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4")
    p.add_argument("--size", default="52428800", help="required space text of setup.dat")
    p.add_argument("--name", default="Example Maps")
    p.add_argument("--setup-dat-hex", help="raw bytes of setup.dat, in hexadecimal")
    p.add_argument("--no-setup-dat", action="store_true")
    p.add_argument("--eula", default=DEMO_EULA)
    p.add_argument("--eula-name", default="EULA.txt")
    p.add_argument("--no-eula", action="store_true")
    p.add_argument("--data-license", default=DEMO_DATA_LICENSE)
    p.add_argument("--no-data-license", action="store_true")
    p.add_argument("--no-bom", action="store_true", help="write the license texts without byte-order mark")
    # The pages' size at 96 DPI (256 x 203 dialog units of bold 12-point Arial): a bitmap of any other
    # size is stretched over the page, which looks coarse and costs the first paint time.
    p.add_argument("--bitmap", default="640x431")
    p.add_argument("--no-bitmap", action="store_true")
    p.add_argument("--frame", default="2a3f55", help="frame colour of the bitmap, RRGGBB")
    p.add_argument("--lang", default="ENU")
    p.add_argument("--languages", default="", help='satellite libraries to carry: "all" or DEU,FRA,...')
    p.add_argument("--satellites", help="folder of the setup<ABBR>.dll files (default: that of --setup)")
    p.add_argument("--copy", action="append", default=[], metavar="SRC=RELPATH",
                   help="copy a file onto the medium (packages, driver files, helpers)")
    a = p.parse_args(argv)

    out = a.out
    os.makedirs(out, exist_ok=True)
    if a.setup:
        shutil.copyfile(a.setup, os.path.join(out, "setup.exe"))
    if a.setup_dat_hex is not None:
        write(os.path.join(out, "setup.dat"), bytes.fromhex(a.setup_dat_hex))
    elif not a.no_setup_dat:
        write(os.path.join(out, "setup.dat"), setup_dat(a.product_code, a.size, a.name))
    if not a.no_eula:
        write(os.path.join(out, a.eula_name), utf16_text(a.eula, not a.no_bom))
    if not a.no_data_license:
        write(os.path.join(out, a.lang, "KorvelEULA.txt"), utf16_text(a.data_license, not a.no_bom))
    if not a.no_bitmap:
        w, h = (int(v) for v in a.bitmap.lower().split("x"))
        frame = tuple(bytes.fromhex(a.frame))
        write(os.path.join(out, a.lang, "Bkgnd.bmp"), background_bitmap(w, h, frame))
    for path in satellites(a.languages, a.satellites or os.path.dirname(os.path.abspath(a.setup or "setup.exe"))):
        shutil.copyfile(path, os.path.join(out, os.path.basename(path)))
    for item in a.copy:
        src, rel = item.split("=", 1)
        dest = os.path.join(out, *rel.replace("\\", "/").split("/"))
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        shutil.copyfile(src, dest)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
