#!/usr/bin/env python3
"""Runs tools/checks/latin1.py on small trees: each line below, alone in a source file, is a fault or
not, as marked; a folder without sources is refused."""

import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).resolve().parents[2] / "tools" / "checks" / "latin1.py"

# (a line of C++, whether the check must name it)
LINES = [
    ('auto a = QLatin1String(" – ");', True),
    ("auto b = QLatin1Char('é');", True),
    ('auto c = QString::fromLatin1("日本");', True),
    ('auto d = "€"_L1;', True),
    ('auto e = QLatin1StringView("\\u2014");', True),
    ('auto f = QLatin1String("vell.") + QStringLiteral(" – ");', False),
    ("auto g = QLatin1Char('\\n');", False),
    ('auto h = QString::fromLatin1(name); // "–" only in a comment', False),
    ('auto i = "plain"_L1;', False),
]


def run(root):
    return subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)


def main():
    failures = []
    for line, fault in LINES:
        with tempfile.TemporaryDirectory() as folder:
            root = pathlib.Path(folder)
            source = root / "VellUI" / "Screens" / "Case.cpp"
            source.parent.mkdir(parents=True)
            source.write_text("// A case.\n" + line + "\n", encoding="utf-8")
            result = run(root)
            named = "VellUI/Screens/Case.cpp:2:" in result.stdout
            if result.returncode != (1 if fault else 0) or named != fault:
                failures.append(f"{line}: exit {result.returncode}, expected {1 if fault else 0}\n{result.stdout}")
    with tempfile.TemporaryDirectory() as folder:
        empty = run(folder)
        if empty.returncode != 2:
            failures.append(f"a folder without sources: exit {empty.returncode}\n{empty.stderr}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
