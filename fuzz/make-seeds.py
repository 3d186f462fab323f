#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the test tables, the tools' sample documents and the
starter document. Run from the top of the checkout after a build (it asks build/bin/vell-doc for the
starter sheets):  python3 fuzz/make-seeds.py [BUILD_DIR]"""

import hashlib
import json
import pathlib
import re
import subprocess
import sys

top = pathlib.Path(__file__).resolve().parent.parent
corpus = top / "fuzz" / "corpus"
build = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else top / "build"

literal = r'"(?:[^"\\\n]|\\.)*"'
escapes = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'", "r": "\r", "0": "\0"}


def unescape(text):
    """The value of a run of adjacent C++ string literals (no prefix)."""
    out = []
    for part in re.findall(literal, text):
        body, i = part[1:-1], 0
        while i < len(body):
            if body[i] == "\\":
                c = body[i + 1]
                if c in "uU":
                    width = 4 if c == "u" else 8
                    out.append(chr(int(body[i + 2 : i + 2 + width], 16)))
                    i += 2 + width
                    continue
                if c == "x":
                    digits = re.match(r"[0-9a-fA-F]+", body[i + 2 :]).group(0)
                    out.append(chr(int(digits, 16)))
                    i += 2 + len(digits)
                    continue
                out.append(escapes.get(c, c))
                i += 2
            else:
                out.append(body[i])
                i += 1
    return "".join(out)


def write(kind, texts):
    folder = corpus / kind
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.iterdir():
        old.unlink()
    seen = set()
    for text in texts:
        data = text.encode("utf-8", "surrogatepass") if isinstance(text, str) else text
        if not data or len(data) > 4096 or data in seen:
            continue
        seen.add(data)
        (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)
    print(f"{kind}: {len(seen)} seeds")


def tests(folder):
    return sorted((top / "tests" / "VellKit" / folder).glob("*Tests.cpp"))


# One line: the first text of every table row of the engine's tests.
lines = []
row = re.compile(r"\{\s*(" + literal + r")\s*,")
for path in tests("Engine"):
    lines += [unescape(m.group(1)) for m in row.finditer(path.read_text())]
lines = [l for l in lines if "\n" not in l]

# Sheets: the lines of every sheet case of the sheet tests, and with each test's other sheets after a NUL.
sheets = []
case = re.compile(r"\{\{((?:\s*" + literal + r"\s*,?)+)\}")
other = re.compile(r"\{\s*" + literal + r"\s*,\s*((?:" + literal + r"\s*)+)\}")
for path in tests("Sheet"):
    for block in re.split(r"\nTEST", path.read_text()):
        texts = ["\n".join(unescape(l) for l in re.findall(literal, m.group(1))) for m in case.finditer(block)]
        others = [unescape(m.group(1)) for m in other.finditer(block) if "\n" in unescape(m.group(1))]
        sheets += texts
        if others:
            sheets += [t + "\0" + "\n".join(others) for t in texts]
            sheets.append("\0".join(others[:2]))

# What the engine once failed on: a function calling itself from the bottom of a deeply nested line,
# and lines that each build a large list.
sheets += ["def f(n):\n  return " + "-" * 995 + "f(n)\nf(1)",
           "def ping(n):\n  return " + "2^" * 400 + "pong(n)\nping(1)\0def pong(n):\n  return ping(n)",
           "\n".join(["sum([1] * 99999)"] * 20)]

documents = [p.read_bytes() for p in sorted((top / "tests" / "tools" / "vell-doc").glob("*.json"))]
# Old line ends move the locks of the lines after them, up to the end of the 64-bit range.
documents.append(json.dumps({"sheets": [{"id": "00000000-0000-4000-8000-000000000001", "name": "A",
                                         "text": "a\rb\r\nc", "lockedLines": [0, 2, 5, 2**63 - 1]}]}).encode())
for language in ("english", "japanese"):
    tool = build / "bin" / "vell-doc"
    starter = subprocess.run([tool, "starter", "--language", language], check=True, capture_output=True).stdout
    # The same seeds every run: fixed ids and dates.
    ids = iter(range(1, 100))
    starter = re.sub(rb"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}",
                     lambda m: b"00000000-0000-4000-8000-%012d" % next(ids), starter)
    starter = re.sub(rb"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", b"2024-06-01T12:00:00Z", starter)
    documents.append(starter)
    texts = [s["text"] for s in json.loads(starter)["sheets"]]
    sheets += texts
    sheets += [t + "\0" + "\n".join(texts) for t in texts]

write("line", lines)
write("sheet", sheets)
write("document", documents)
