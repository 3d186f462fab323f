#!/usr/bin/env python3
"""Checks that the folders of the tree include one another only downwards.

    tools/checks/layering.py [ROOT]      ROOT: the top of the tree (default: this checkout)

Rules:
  - nothing under VellKit/ includes Qt;
  - VellKit/Engine/ includes only the engine, Unicode/ and the standard library;
  - nothing under VellKit/ includes a file of VellUI/ or VellCalc/;
  - nothing under VellUI/Stores/ includes a view folder of VellUI/;
  - a folder of VellUI/ includes only its own files and those of the floors below its own (FLOORS):
    neither a floor above nor a sibling on its own floor;
  - the folders do not include one another in a circle.

An include is found as the compiler finds it: beside the including file, then under the including
file's own top folder, then under the ones below it (VellCalc/, then VellUI/, then VellKit/). Prints
one line per fault, "file:line: fault", and exits with 1 when there is any.
"""

import pathlib
import re
import sys

# Lowest first: each top folder sees its own files and those of the folders before it.
TOP_FOLDERS = ["VellKit", "VellUI", "VellCalc"]
# The folders of VellUI/, lowest floor first; the folders of one floor are siblings.
FLOORS = [
    {"Stores"},
    {"Appearance"},
    {"Dialogs"},
    {"Plots", "Keypad"},
    {"SheetEditor"},
    {"Window", "Screens"},
]
VIEW_FOLDERS = set().union(*FLOORS[1:])
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^Qt[A-Za-z]*(/|$)|^Q[A-Z][A-Za-z]*$")
STANDARD_HEADER = re.compile(r"^[a-z_]+$")


def sources(root):
    for top in TOP_FOLDERS:
        folder = root / top
        if folder.is_dir():
            for path in sorted(folder.rglob("*")):
                if path.suffix in SOURCE_SUFFIXES and path.is_file():
                    yield path


def includes(path):
    text = path.read_text(encoding="utf-8", errors="replace")
    for number, line in enumerate(text.splitlines(), start=1):
        match = INCLUDE.match(line)
        if match:
            yield number, match.group(1) == '"', match.group(2)


def resolve(root, path, name):
    """The file a quoted include names, or None when it is outside the tree."""
    top = path.relative_to(root).parts[0]
    candidates = [path.parent / name]
    for folder in reversed(TOP_FOLDERS[: TOP_FOLDERS.index(top) + 1]):
        candidates.append(root / folder / name)
    for candidate in candidates:
        if candidate.is_file():
            return candidate.resolve().relative_to(root.resolve())
    # Not seen from here: maybe a file of a higher folder, which this one must not include.
    for folder in TOP_FOLDERS[TOP_FOLDERS.index(top) + 1 :]:
        if (root / folder / name).is_file():
            return pathlib.Path(folder) / name
    return None


def folder_of(relative):
    """VellKit/Engine for VellKit/Engine/Lexer.h; VellCalc for VellCalc/main.cpp."""
    parts = relative.parts
    return "/".join(parts[:2]) if len(parts) > 2 else parts[0]


def floor_of(folder):
    """The index in FLOORS of a folder of VellUI/ ("VellUI/Keypad"), or None when it is on no floor."""
    name = folder.split("/")[1]
    return next((index for index, floor in enumerate(FLOORS) if name in floor), None)


def floor_fault(relative, folder, target, target_folder):
    """What is wrong with a file of VellUI/ including a file of another folder of VellUI/, or None."""
    floor, target_floor = floor_of(folder), floor_of(target_folder)
    if floor is None:
        return f"{folder}/ is on no floor of the layering check; give it one"
    if target_floor is None:
        return f"{target_folder}/ is on no floor of the layering check; give it one"
    if target_floor == floor:
        return f"{folder}/ and {target_folder}/ are siblings on one floor, which do not include each other"
    if target_floor > floor:
        return f"{target_folder}/ is a floor above {folder}/, which includes only the floors below it"
    return None


def faults_of(root, path, folder_graph):
    relative = path.relative_to(root)
    top = relative.parts[0]
    folder = folder_of(relative)
    for number, quoted, name in includes(path):
        where = f"{relative}:{number}"
        if not quoted:
            if top == "VellKit" and QT_HEADER.search(name):
                yield f"{where}: Qt header <{name}> in VellKit/, which has no Qt"
            elif folder == "VellKit/Engine" and not STANDARD_HEADER.match(name):
                yield f"{where}: <{name}> in the engine, which includes only the engine and Unicode/"
            continue
        target = resolve(root, path, name)
        if target is None:
            if top == "VellKit" and QT_HEADER.search(name):
                yield f'{where}: Qt header "{name}" in VellKit/, which has no Qt'
            elif folder == "VellKit/Engine":
                yield f'{where}: "{name}" is not a file of the engine or Unicode/'
            continue
        target_top = target.parts[0]
        target_folder = folder_of(target)
        if target_folder != folder:
            folder_graph.setdefault(folder, {}).setdefault(target_folder, where)
        if top == "VellKit" and target_top != "VellKit":
            yield f'{where}: "{name}" is {target}, but VellKit/ includes nothing of {target_top}/'
        elif folder == "VellKit/Engine" and target_folder not in ("VellKit/Engine", "VellKit/Unicode"):
            yield f'{where}: "{name}" is {target}, but the engine includes only the engine and Unicode/'
        elif folder == "VellUI/Stores" and target_top == "VellUI" and target.parts[1] in VIEW_FOLDERS:
            yield f'{where}: "{name}" is {target}, a view, which the stores do not include'
        elif (
            top == "VellUI"
            and target_top == "VellUI"
            and target_folder != folder
            and len(relative.parts) > 2
            and len(target.parts) > 2
        ):
            fault = floor_fault(relative, folder, target, target_folder)
            if fault:
                yield f'{where}: "{name}" is {target}: {fault}'


def circles(folder_graph):
    """Each circle of folders once, as the includes that close it."""
    found = []
    seen = set()
    state = {}

    def visit(folder, trail):
        state[folder] = "open"
        trail.append(folder)
        for target in sorted(folder_graph.get(folder, {})):
            if state.get(target) == "open":
                circle = trail[trail.index(target) :]
                key = frozenset(circle)
                if key not in seen:
                    seen.add(key)
                    found.append(circle + [target])
            elif target not in state:
                visit(target, trail)
        trail.pop()
        state[folder] = "done"

    for folder in sorted(folder_graph):
        if folder not in state:
            visit(folder, [])
    return found


def main(argv):
    root = pathlib.Path(argv[1] if len(argv) > 1 else pathlib.Path(__file__).resolve().parents[2])
    if not (root / "VellKit").is_dir():
        print(f"{root}: no VellKit/ folder here", file=sys.stderr)
        return 2
    faults = []
    folder_graph = {}
    checked = 0
    for path in sources(root):
        checked += 1
        faults.extend(faults_of(root, path, folder_graph))
    for circle in circles(folder_graph):
        steps = [f"{a} -> {b} ({folder_graph[a][b]})" for a, b in zip(circle, circle[1:])]
        faults.append("folders include one another in a circle: " + "; ".join(steps))
    for fault in faults:
        print(fault)
    print(f"layering: {checked} files, {len(faults)} faults", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
