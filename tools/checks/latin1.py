#!/usr/bin/env python3
"""Finds text that Qt would read as Latin-1 although it is not: a QLatin1String, QLatin1StringView,
QLatin1Char, QString::fromLatin1 or "..."_L1 whose literal holds a character beyond ASCII. The
sources are UTF-8, so such a literal reaches the screen garbled ("–" shows as "â€“").

    tools/checks/latin1.py [ROOT]      ROOT: the top of the tree (default: this checkout)

Prints one line per fault, "file:line: fault", and exits with 1 when there is any.
"""

import pathlib
import re
import sys

FOLDERS = ["VellKit", "VellUI", "VellCalc", "tools", "tests", "bench", "fuzz"]
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp"}

LITERAL = r'(?:u8)?(?:"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\')'
CALL = re.compile(r"\b(QLatin1String|QLatin1StringView|QLatin1Char|fromLatin1)\s*\(\s*(" + LITERAL + ")")
SUFFIXED = re.compile(r'("(?:[^"\\\n]|\\.)*")(_L1)\b')
# A universal character name in a narrow literal is written as UTF-8 too.
NOT_LATIN1 = re.compile(r"[^\x00-\x7F]|\\u[0-9A-Fa-f]{4}|\\U[0-9A-Fa-f]{8}")


def sources(root):
    for folder in FOLDERS:
        base = root / folder
        if base.is_dir():
            for path in sorted(base.rglob("*")):
                if path.suffix in SOURCE_SUFFIXES and path.is_file():
                    yield path


def faults_of(root, path):
    text = path.read_text(encoding="utf-8", errors="replace")
    relative = path.relative_to(root)
    for number, line in enumerate(text.splitlines(), start=1):
        found = [(m.group(1), m.group(2)) for m in CALL.finditer(line)]
        found += [(m.group(2), m.group(1)) for m in SUFFIXED.finditer(line)]
        for how, literal in found:
            if NOT_LATIN1.search(literal):
                yield f"{relative}:{number}: {how} of {literal}, which is not Latin-1; use QStringLiteral or u\"\"_s"


def main(argv):
    root = pathlib.Path(argv[1] if len(argv) > 1 else pathlib.Path(__file__).resolve().parents[2])
    if not any((root / folder).is_dir() for folder in FOLDERS[:3]):
        print(f"latin1: no VellKit/, VellUI/ or VellCalc/ under {root}", file=sys.stderr)
        return 2
    faults = [fault for path in sources(root) for fault in faults_of(root, path)]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
