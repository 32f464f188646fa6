#!/usr/bin/env python3
"""Fails when a 32-bit Windows program would not load where it must.

usage: import_check.py PROGRAM.exe EXPORTS_FOLDER OLD_WINDOWS_FOLDER

Windows 2000 SP4 and XP: the loader refuses a program with a missing import before any of its
code runs, and a delay-loaded function that is missing raises an exception at its first call. So
every import, ordinary or delayed, is checked against the export list of its DLL in
EXPORTS_FOLDER (Windows XP / Server 2003), with the names that came after Windows 2000 refused
as well.

Windows 95, 98, Me and NT 4: the program must load there to show its refusal. Its header asks
for no system later than 4.0; the loader may resolve only KERNEL32 functions of Windows 95 that
NT 4 exports too (Windows 95's list less NT 4's missing names) and msvcrt.dll functions of NT 4 (lists in OLD_WINDOWS_FOLDER) and three ANSI USER32 functions that
every Win32 system has; everything else is delay-loaded (or looked up at run time). A delay slot
must hold the address of its loading code (not zero) and lie in a writable section.
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


class Image:
    """The parts of a PE32 image the loader reads to resolve imports."""

    def __init__(self, data):
        self.data = data
        (pe,) = struct.unpack_from("<I", data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        sections_count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        self.optional = pe + 24
        if struct.unpack_from("<H", data, self.optional)[0] != 0x10B:
            raise ValueError("not a 32-bit image")
        (self.image_base,) = struct.unpack_from("<I", data, self.optional + 28)
        (self.image_size,) = struct.unpack_from("<I", data, self.optional + 56)
        self.sections = []
        for i in range(sections_count):
            at = self.optional + optional_size + 40 * i
            name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, at + 8)
            (flags,) = struct.unpack_from("<I", data, at + 36)
            self.sections.append((name, vaddr, max(vsize, rsize), raw, rsize, flags))

    def versions(self):
        """((os major, minor), (subsystem major, minor)) the header asks the loader for."""
        return (struct.unpack_from("<HH", self.data, self.optional + 40),
                struct.unpack_from("<HH", self.data, self.optional + 48))

    def section(self, rva):
        for section in self.sections:
            if section[1] <= rva < section[1] + section[2]:
                return section
        return None

    def offset(self, rva):
        section = self.section(rva)
        if section is None or rva - section[1] >= section[4]:
            raise ValueError(f"address {rva:#x} is in no section")
        return rva - section[1] + section[3]

    def dword(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def names(self, lookup_rva):
        """The names (or '#ordinal') of a zero-ended lookup table."""
        names = []
        while True:
            thunk = self.dword(lookup_rva + 4 * len(names))
            if thunk == 0:
                return names
            names.append(f"#{thunk & 0xFFFF}" if thunk & 0x80000000 else self.text(thunk + 2))


def read_imports(data):
    """[(dll, name or '#ordinal')] the loader resolves before any code of a PE32 image runs."""
    image = Image(data)
    (import_rva,) = struct.unpack_from("<I", data, image.optional + 96 + 8)
    imports = []
    at = import_rva
    while import_rva:
        lookup, _, _, name_rva, address = struct.unpack_from("<IIIII", data, image.offset(at))
        if name_rva == 0:
            break
        dll = image.text(name_rva)
        imports += [(dll, name) for name in image.names(lookup or address)]
        at += 20
    return imports


def read_delay_imports(data):
    """[(dll, name, slot fault or None)] of every delay-load descriptor of a PE32 image.

    ld leaves the image's delay-import directory empty, so the descriptors (version 1: eight
    words, addresses relative) are found by their shape: a DLL name, a module handle, an address
    table and a name table inside the image, and three zero words.
    """
    image = Image(data)
    found = []
    for name, vaddr, _, raw, rsize, _ in image.sections:
        for at in range(0, rsize - 31, 4):
            words = struct.unpack_from("<8I", data, raw + at)
            if words[0] != 1 or any(words[5:]) or not all(image.section(rva) for rva in words[1:5]):
                continue
            try:
                dll = image.text(words[1])
                names = image.names(words[4])
            except (ValueError, UnicodeDecodeError):
                continue
            if not dll.lower().endswith(".dll") or not names:
                continue
            address_table = image.section(words[3])
            for index, function in enumerate(names):
                slot = image.dword(words[3] + 4 * index)
                target = image.section(slot - image.image_base) if slot >= image.image_base else None
                if slot == 0:
                    fault = "its address slot is zero: a call through it crashes"
                elif target is None or not target[5] & 0x20000000:
                    fault = f"its address slot {slot:#x} points at no code"
                elif not address_table[5] & 0x80000000:
                    fault = f"its address slot lies in the read-only section {address_table[0]}"
                else:
                    fault = None
                found.append((dll, function, fault))
    return found


ORDINARY_USER32 = {"LoadStringA", "MessageBoxA", "wsprintfA"}


def read_list(path):
    with open(path, encoding="utf-8") as f:
        return {line.strip() for line in f if line.strip()}


def check(imports, folder):
    """Text of each import that keeps the program from running on Windows 2000 or XP."""
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


def check_old_windows(imports, folder):
    """Text of each ordinary import that keeps the program from loading on Windows 95 to NT 4."""
    kernel32 = read_list(os.path.join(folder, "win95_kernel32.txt"))
    nt4_missing = read_list(os.path.join(folder, "nt4_kernel32_missing.txt"))
    msvcrt = read_list(os.path.join(folder, "nt4_msvcrt.txt"))
    faults = []
    for dll, name in imports:
        key = dll.lower()
        if key == "kernel32.dll":
            if name not in kernel32:
                faults.append(f"{dll}!{name}: not exported by Windows 95: delay-load it")
            elif name in nt4_missing:
                faults.append(f"{dll}!{name}: not exported by NT 4: delay-load it")
        elif key == "msvcrt.dll":
            if name not in msvcrt:
                faults.append(f"{dll}!{name}: not in NT 4's msvcrt.dll")
        elif key != "user32.dll" or name not in ORDINARY_USER32:
            faults.append(f"{dll}!{name}: loaded before the refusal of Windows 95 to NT 4 can run: delay-load it")
    return faults


def main():
    program, folder, old_folder = sys.argv[1], sys.argv[2], sys.argv[3]
    with open(program, "rb") as f:
        data = f.read()
    imports = read_imports(data)
    delayed = read_delay_imports(data)
    faults = check(imports, folder)
    faults += [f"delayed {fault}" for fault in check([(dll, name) for dll, name, _ in delayed], folder)]
    faults += check_old_windows(imports, old_folder)
    faults += [f"delayed {dll}!{name}: {fault}" for dll, name, fault in delayed if fault]
    for what, version in zip(("OS", "subsystem"), Image(data).versions()):
        if version > (4, 0):
            faults.append("%s version %d.%d in the header: Windows 95 and NT 4 need 4.0" % (what, *version))
    dlls = sorted({dll.upper() for dll, _ in imports})
    delayed_dlls = sorted({dll.upper() for dll, _, _ in delayed})
    print(f"{os.path.basename(program)}: {len(imports)} ordinary imports from {', '.join(dlls)}; "
          f"{len(delayed)} delayed from {', '.join(delayed_dlls) or 'none'}")
    for fault in faults:
        print(f"  {fault}")
    if faults:
        print(f"{len(faults)} faults: the program does not load, or crashes, on a Windows it must run on")
        return 1
    print("loads on Windows 95, 98, Me and NT 4; every import, delayed or not, is exported by Windows 2000 SP4 and XP")
    return 0


if __name__ == "__main__":
    sys.exit(main())
