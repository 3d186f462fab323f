#!/usr/bin/env python3
"""Runs tools/checks/layering.py on the small tree beside this file: as it is, the check passes; with
one wrong include put into a copy of it (into a new file where the file is not in the tree), the check
fails and names that include."""

import pathlib
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
FIXTURE = HERE / "layering-fixture"
CHECK = HERE.parents[1] / "tools" / "checks" / "layering.py"

# (file of the fixture or a new one, the line added at its end, what the check must say)
WRONG_INCLUDES = [
    ("VellKit/Sheet/Sheet.h", "#include <QString>", "Qt header <QString> in VellKit/"),
    ("VellKit/Keypad/KeySlot.h", '#include "QtCore/QObject"', "Qt header"),
    ("VellKit/Engine/Lexer.h", '#include "Sheet/Sheet.h"', "the engine includes only the engine and Unicode/"),
    ("VellKit/Engine/Lexer.h", "#include <unicode/uchar.h>", "<unicode/uchar.h> in the engine"),
    ("VellKit/Engine/Lexer.cpp", '#include "Parser.h"', '"Parser.h" is not a file of the engine'),
    ("VellKit/Sheet/Sheet.h", '#include "Stores/Store.h"', "VellKit/ includes nothing of VellUI/"),
    ("VellKit/Keypad/KeySlot.h", '#include "Window/Window.h"', "VellKit/ includes nothing of VellUI/"),
    ("VellUI/Stores/Store.h", '#include "Keypad/KeypadView.h"', "a view, which the stores do not include"),
    ("VellUI/Stores/Store.h", '#include "Window/Window.h"', "a view, which the stores do not include"),
    ("VellKit/Sheet/Sheet.h", '#include "Keypad/KeySlot.h"', "in a circle: VellKit/Keypad -> VellKit/Sheet"),
    ("VellUI/Keypad/KeypadView.h", '#include "Plots/PlotView.h"', "and VellUI/Plots/ are siblings"),
    ("VellUI/Plots/PlotView.h", '#include "Keypad/KeypadView.h"', "and VellUI/Keypad/ are siblings"),
    ("VellUI/Screens/SettingsView.h", '#include "Window/Window.h"', "and VellUI/Window/ are siblings"),
    ("VellUI/Window/Window.h", '#include "Screens/SettingsView.h"', "and VellUI/Screens/ are siblings"),
    ("VellUI/Keypad/KeypadView.h", '#include "SheetEditor/Editor.h"', "VellUI/SheetEditor/ is a floor above"),
    ("VellUI/Appearance/Theme.h", '#include "Screens/SettingsView.h"', "VellUI/Screens/ is a floor above"),
    ("VellUI/Gadgets/Gadget.h", '#include "Stores/Store.h"', "VellUI/Gadgets/ is on no floor"),
]


def run(root):
    return subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)


def main():
    failures = []
    clean = run(FIXTURE)
    if clean.returncode != 0:
        failures.append(f"the clean fixture fails the check:\n{clean.stdout}{clean.stderr}")
    for file, line, expected in WRONG_INCLUDES:
        with tempfile.TemporaryDirectory() as folder:
            root = pathlib.Path(folder) / "tree"
            shutil.copytree(FIXTURE, root)
            target = root / file
            target.parent.mkdir(parents=True, exist_ok=True)
            text = target.read_text() if target.exists() else ""
            target.write_text(text + line + "\n")
            line_number = len(text.splitlines()) + 1
            result = run(root)
            case = f"{line} in {file}"
            if result.returncode != 1:
                failures.append(f"{case}: exit {result.returncode}, expected 1\n{result.stdout}{result.stderr}")
            elif expected not in result.stdout:
                failures.append(f"{case}: the output does not say {expected!r}:\n{result.stdout}")
            elif "circle" not in expected and f"{file}:{line_number}:" not in result.stdout:
                failures.append(f"{case}: the output does not name {file}:{line_number}:\n{result.stdout}")
    missing = run(HERE)
    if missing.returncode != 2 or "no VellKit/ folder" not in missing.stderr:
        failures.append(f"a folder without VellKit/: exit {missing.returncode}\n{missing.stderr}")
    for failure in failures:
        print(failure)
    print(f"layering check: {len(WRONG_INCLUDES) + 2} cases, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
