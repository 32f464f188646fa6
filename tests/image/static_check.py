#!/usr/bin/env python3
"""Fails when product code holds a function-local static that the list beside
-fno-threadsafe-statics in CMakeLists.txt does not name, or the list names one that is gone.

usage: static_check.py CMAKELISTS SOURCE_FOLDER [FOLDER ...]

Such a static gets no guard: two threads that reach it first at once both initialise it. A
constant one (constexpr, or a const table of constants) needs no guard and is allowed. The list's
lines read "#   Function, Function (folder/file.cpp): why it is safe".
"""
import os
import re
import sys

LIST_HEADER = "Those that remain, and why each is safe:"
ENTRY = re.compile(r"^#\s+(.+?)\s+\(([\w/.]+\.(?:cpp|h))\):")
TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|R"(?P<d>[^(]*)\(.*?\)(?P=d)"|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\''
                   r"|[A-Za-z_]\w*|::|\S", re.S)
NOT_FUNCTION = {"namespace", "class", "struct", "union", "enum", "extern", "=", "return", ","}


def listed(cmakelists):
    entries, inside = {}, False
    with open(cmakelists, encoding="utf-8") as f:
        for line in f:
            if LIST_HEADER in line:
                inside = True
                continue
            if inside:
                match = ENTRY.match(line)
                if match:
                    names = {n.strip() for n in match.group(1).split(",")}
                    entries.setdefault(match.group(2), set()).update(names)
                elif not line.startswith("#   "):
                    inside = False
    return entries


def function_name(head):
    """The name before a function's parameter list, or None when the head opens no function."""
    if not head or any(t in NOT_FUNCTION for t in head) or "(" not in head:
        return None
    depth, i = 0, len(head) - 1
    while i >= 0:  # the last ")" closing a top-level parameter list
        if head[i] == ")":
            break
        i -= 1
    while i >= 0:
        if head[i] == ")":
            depth += 1
        elif head[i] == "(":
            depth -= 1
            if depth == 0:
                break
        i -= 1
    if i <= 0:
        return None
    name = head[i - 1]
    if name == "]":
        return "lambda"
    if not re.match(r"[A-Za-z_]\w*$", name) or name in ("if", "for", "while", "switch", "catch"):
        return None
    return name


def local_statics(path):
    """(line, function, declaration) of each function-local static that is not constant."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    found, stack, head = [], [], []
    for match in TOKEN.finditer(text):
        token = match.group(0)
        if token.startswith(("//", "/*")) or (token.startswith("#")):
            continue
        if token == "{":
            outer = next((s for s in reversed(stack) if s), None)
            stack.append(outer or function_name(head))
            head = []
        elif token == "}":
            if stack:
                stack.pop()
            head = []
        elif token == ";":
            head = []
        else:
            head.append(token)
            function = next((s for s in reversed(stack) if s), None)
            if token == "static" and function:
                end = text.find(";", match.end())
                declaration = " ".join(text[match.start():end].split())
                if not re.match(r"static\s+(constexpr|const\s+\w+(\s+const)?\s*\*?\s*const\s+\w+\[\]\s*=\s*\{)",
                                declaration):
                    line = text.count("\n", 0, match.start()) + 1
                    found.append((line, function, declaration[:90]))
    return found


def main():
    cmakelists, folders = sys.argv[1], sys.argv[2:]
    root = os.path.dirname(os.path.abspath(cmakelists))
    allowed = listed(cmakelists)
    problems, seen = [], set()
    for folder in folders:
        for base, _, files in os.walk(folder):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(base, name)
                relative = os.path.relpath(path, root).replace(os.sep, "/")
                for line, function, declaration in local_statics(path):
                    seen.add((relative, function))
                    if function not in allowed.get(relative, set()):
                        problems.append(
                            f"{relative}:{line}: function-local static in {function}() ({declaration}) is not "
                            f"in the list beside -fno-threadsafe-statics in CMakeLists.txt. It has no guard: make "
                            f"it a constant table at namespace scope, or a member of an object that owns it; or, "
                            f"when no second thread can reach it before it is set, add "
                            f"\"{function} ({relative}): why\" to that list")
    for relative, functions in sorted(allowed.items()):
        for function in sorted(functions):
            if (relative, function) not in seen:
                problems.append(f"the list beside -fno-threadsafe-statics names {function} ({relative}), which "
                                f"holds no function-local static now: take it off the list")
    for problem in problems:
        print("FAIL:", problem)
    if not problems:
        print(f"function-local statics: {len(seen)}, each listed with its reason")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
