#!/usr/bin/env python3
"""Fails when setup.exe is over its size budget or takes the unwinder back.

usage: image_check.py PROGRAM.exe LINK_MAP NO_THROW_SOURCE BUDGET_BYTES

The program is built without exceptions: nothing may throw, unwind or catch. The link map names
every library member the link took and the symbol that pulled it in; a throwing helper of the
C++ library (std::__throw_*) is allowed only where NO_THROW_SOURCE defines its replacement.
"""
import os
import re
import sys

UNWINDING = re.compile(r"\b(__cxa_throw|__cxa_begin_catch|__cxa_rethrow|_Unwind_\w+|__gxx_personality\w*"
                       r"|__register_frame_info\w*)\b")
THROW_HELPER = re.compile(r"\b__throw_(\w+)")
UNWINDING_MEMBER = re.compile(r"\((unwind-[\w-]+|eh_\w+|functexcept|cow-stdexcept|snprintf_lite)\.o\)")


def overridden_helpers(source):
    with open(source, encoding="utf-8") as f:
        return set(re.findall(r"void\s+__throw_(\w+)\s*\(", f.read()))


def included_members(map_text):
    """(member, reason) pairs of the map's first block: which archive member which symbol took."""
    block = map_text.split("Archive member included to satisfy reference by file (symbol)", 1)[-1]
    block = re.split(r"\n(?:Discarded input sections|Memory Configuration|Allocating common symbols)", block)[0]
    pairs, member = [], None
    for line in block.splitlines():
        if not line.strip():
            continue
        if not line[0].isspace():
            member, _, rest = line.partition(" ")
            if rest.strip():
                pairs.append((member, rest.strip()))
                member = None
        elif member:
            pairs.append((member, line.strip()))
            member = None
    return pairs


def main():
    program, map_path, no_throw, budget = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    name = os.path.basename(program)
    problems = []
    size = os.path.getsize(program)
    print(f"{name}: {size} bytes, budget {budget}: {budget - size} to spare")
    if size > budget:
        problems.append(f"{name} is {size} bytes, {size - budget} over its budget of {budget}: make the code "
                        "smaller (the link map beside it shows what each library piece and object brings), "
                        "add no library piece, and keep sections the program does not read out of the image")
    with open(map_path, encoding="utf-8", errors="replace") as f:
        map_text = f.read()
    allowed = overridden_helpers(no_throw)
    seen = set()
    for member, reason in included_members(map_text):
        for found in UNWINDING.findall(reason):
            seen.add(f"{found} (pulls in {member})")
        for helper in THROW_HELPER.findall(reason):
            if helper not in allowed:
                seen.add(f"std::__throw_{helper} (pulls in {member})")
        if UNWINDING_MEMBER.search(member):
            seen.add(f"{member} (for {reason})")
    # Symbols the link defined, whoever brought them.
    for line in map_text.splitlines():
        match = re.match(r"\s+0x[0-9a-f]+\s+(\S.*)$", line)
        if match and UNWINDING.search(match.group(1)):
            seen.add(match.group(1).strip())
    for item in sorted(seen):
        problems.append(f"{name} links a throwing or unwinding path: {item}. Build the code that needs it "
                        f"without exceptions (-fno-exceptions), call a form that does not throw, or give the "
                        f"library's throwing helper a replacement in {os.path.basename(no_throw)} that ends "
                        f"the run through its fatal path")
    for problem in problems:
        print("FAIL:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
