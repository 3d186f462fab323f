#!/usr/bin/env python3
"""Writes the vell-eval input of the short lines of ShortLines.h as one sheet to the file given."""

import json
import os
import re
import sys

header = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ShortLines.h")
with open(header, encoding="utf-8") as source:
    lines = re.findall(r'^\s*"((?:[^"\\]|\\.)*)",\s*$', source.read(), re.M)
with open(sys.argv[1], "w", encoding="utf-8") as out:
    json.dump({"sheet": "\n".join(json.loads('"' + line + '"') for line in lines)}, out, ensure_ascii=False)
print(len(lines))
