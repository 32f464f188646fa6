#!/usr/bin/env python3
"""Makes a delay-load import library from a DLL's ordinary import library.

usage: delay_library.py NM DLLTOOL IMPORT_LIB DLL_NAME OUTPUT [--except NAME...]
                        [--only-missing-from LIST [--less LIST]...]

Every function of IMPORT_LIB goes into OUTPUT, except the names after --except (they stay ordinary
imports) and, with --only-missing-from, the names LIST holds (one a line): then only the functions
that system lacks are delayed; each --less LIST takes its names out of the floor again (a second
system that lacks them), so they are delayed too. Linked before the ordinary import library, OUTPUT takes the calls
to its functions, and the DLL is loaded at the first of them.
"""
import os
import subprocess
import sys


def main():
    nm, dlltool, import_lib, dll, output = sys.argv[1:6]
    rest = sys.argv[6:]
    kept, floor = set(), None
    while rest:
        option = rest.pop(0)
        if option == "--except":
            while rest and not rest[0].startswith("--"):
                kept.add(rest.pop(0))
        elif option == "--only-missing-from":
            with open(rest.pop(0), encoding="utf-8") as f:
                floor = {line.strip() for line in f if line.strip()}
        elif option == "--less" and floor is not None:
            with open(rest.pop(0), encoding="utf-8") as f:
                floor -= {line.strip() for line in f if line.strip()}
        else:
            sys.exit(f"unknown option {option}")
    symbols = subprocess.run([nm, "--defined-only", import_lib], check=True, capture_output=True, text=True).stdout
    entries = set()
    for line in symbols.splitlines():
        parts = line.split()
        if len(parts) != 3 or not parts[2].startswith("__imp__"):
            continue
        decorated = parts[2][len("__imp__"):]
        name = decorated.split("@")[0]
        if name in kept or (floor is not None and name in floor):
            continue
        entries.add(decorated)
    definition = output + ".def"
    with open(definition, "w", encoding="utf-8") as f:
        f.write(f"LIBRARY {dll}\nEXPORTS\n")
        for entry in sorted(entries):
            f.write(f"  {entry}\n")
    if os.path.exists(output):
        os.remove(output)
    subprocess.run([dlltool, "--kill-at", "--input-def", definition, "--dllname", dll,
                    "--output-delaylib", output], check=True)


if __name__ == "__main__":
    main()
