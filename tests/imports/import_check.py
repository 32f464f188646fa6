#!/usr/bin/env python3
"""Fails when a 32-bit Windows program imports a function that Windows 2000 SP4 or XP lacks.

usage: import_check.py PROGRAM.exe EXPORTS_FOLDER

The loader refuses a program with a missing import before any of its code runs, so a newer
function must be looked up at run time instead. Each import is checked against the export list of
its DLL in EXPORTS_FOLDER (Windows XP / Server 2003), with the names that came after Windows 2000
refused as well.
"""
import os
import struct
import sys

# Arrived with Windows XP: Windows 2000 SP4 does not export them.
AFTER_WINDOWS_2000 = {
    "SetDllDirectoryA", "SetDllDirectoryW", "GetModuleHandleExA", "GetModuleHandleExW",
    "GetNativeSystemInfo", "IsWow64Process", "GetSystemWow64DirectoryA",
    "GetSystemWow64DirectoryW", "AttachConsole", "GetProcessId", "GetSystemTimes",
    # msvcrt.dll of Windows 2000 lacks these; the C and C++ runtimes reach for them in
    # formatting and locale code.
    "_vscwprintf", "_vscprintf", "_scwprintf", "_scprintf", "___lc_codepage_func",
}
# Listed without a mark although only Vista and later export them.
UNMARKED_LATER = {
    "RegGetValueA", "RegGetValueW", "RegDeleteKeyExA", "RegDeleteKeyExW",
    "GetFileVersionInfoExA", "GetFileVersionInfoExW", "TaskDialog", "LoadIconMetric",
}
XP = 0x501


def exported_on_xp(ranges):
    """Whether a version range text such as '0x600+' or '0x501-0x502,0x600+' covers XP."""
    if not ranges:
        return True
    for part in ranges.split(","):
        part = part.strip()
        if part.endswith("+"):
            if int(part[:-1], 16) <= XP:
                return True
        elif "-" in part:
            low, high = (int(v, 16) for v in part.split("-"))
            if low <= XP <= high:
                return True
        elif int(part, 16) == XP:
            return True
    return False


def load_exports(folder, dll):
    path = os.path.join(folder, dll.lower().removesuffix(".dll") + ".txt")
    if not os.path.exists(path):
        return None
    exports = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line:
                name, _, ranges = line.partition("\t")
                exports[name] = ranges
    return exports


def subsystem_version(data):
    """(major, minor) of the subsystem version a PE image asks the loader for."""
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    return struct.unpack_from("<HH", data, pe + 24 + 48)


def read_imports(data):
    """[(dll, name or '#ordinal')] of a PE32 image."""
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections_count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x10B:
        raise ValueError("not a 32-bit image")
    import_rva, _ = struct.unpack_from("<II", data, optional + 96 + 8)
    sections = []
    for i in range(sections_count):
        at = optional + optional_size + 40 * i
        vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, at + 8)
        sections.append((vaddr, max(vsize, rsize), raw))

    def offset(rva):
        for vaddr, size, raw in sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw
        raise ValueError(f"address {rva:#x} is in no section")

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii")

    imports = []
    at = offset(import_rva) if import_rva else None
    while at is not None:
        lookup, _, _, name_rva, address = struct.unpack_from("<IIIII", data, at)
        if name_rva == 0:
            break
        dll = text(name_rva)
        entry = offset(lookup or address)
        while True:
            (thunk,) = struct.unpack_from("<I", data, entry)
            if thunk == 0:
                break
            if thunk & 0x80000000:
                imports.append((dll, f"#{thunk & 0xFFFF}"))
            else:
                imports.append((dll, text(thunk + 2)))
            entry += 4
        at += 20
    return imports


def check(imports, folder):
    """Text of each import that keeps the program from loading on Windows 2000 or XP."""
    faults = []
    lists = {}
    for dll, name in imports:
        key = dll.lower()
        if key not in lists:
            lists[key] = load_exports(folder, dll)
        exports = lists[key]
        if exports is None:
            faults.append(f"{dll}!{name}: no export list for this DLL")
        elif name.startswith("#"):
            faults.append(f"{dll}!{name}: imported by ordinal")
        elif name not in exports:
            faults.append(f"{dll}!{name}: not exported by Windows XP")
        elif not exported_on_xp(exports[name]) or name in UNMARKED_LATER:
            faults.append(f"{dll}!{name}: only from a later Windows ({exports[name] or '0x600+'})")
        elif name in AFTER_WINDOWS_2000 or (key == "msvcrt.dll" and name.endswith("_s")):
            faults.append(f"{dll}!{name}: not exported by Windows 2000")
    return faults


def main():
    program, folder = sys.argv[1], sys.argv[2]
    with open(program, "rb") as f:
        data = f.read()
    imports = read_imports(data)
    faults = check(imports, folder)
    # Windows 2000 (NT 5.0) refuses an image that asks for a later subsystem version.
    if subsystem_version(data) > (5, 0):
        faults.append("subsystem version %d.%d: later than Windows 2000" % subsystem_version(data))
    dlls = sorted({dll.upper() for dll, _ in imports})
    print(f"{os.path.basename(program)}: {len(imports)} imports from {', '.join(dlls)}")
    for fault in faults:
        print(f"  {fault}")
    if faults:
        print(f"{len(faults)} imports missing on Windows 2000 or XP")
        return 1
    print("every import is exported by Windows 2000 SP4 and XP")
    return 0


if __name__ == "__main__":
    sys.exit(main())
