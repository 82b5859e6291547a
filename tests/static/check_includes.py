#!/usr/bin/env python3
"""Checks that includes run one way: a folder includes its own files and those of the folders
below it, never those above it or beside it.

Usage: check_includes.py [ROOT]      (ROOT: the source tree, default the one this script is in)
       check_includes.py --self-test (plants an upward and a sideways include in a copy of a small
                                      tree and expects each to be named)

The build refuses such an include too (each folder's library sees only its own folder and those
it links); this check names the file and line without a build, and covers the tests' folders.
Prints "PASS <folder>" or "FAIL <file>:<line>: ..." and ends with "N passed, N failed"; the exit
status is 1 when a check failed.
"""

import os
import re
import subprocess
import sys
import tempfile

# What each folder may include, besides itself. The order of the libraries:
#   app -> ui -> image, update -> support;  studio -> update -> support;  resources under all.
ALLOWED = {
    "support": set(),
    "resources": set(),
    "update": {"support"},
    "image": {"support", "resources"},
    "ui": {"image", "update", "support", "resources"},
    "app": {"ui", "image", "update", "support", "resources"},
    "studio": {"update", "support"},
}
# A folder's unit tests see what the folder sees, and the tests' shared headers.
TEST_FOLDERS = {os.path.join("tests", "native", name): name for name in ALLOWED}
SOURCE_SUFFIXES = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"(([^"/]+)/[^"]*)"')
KNOWN_FOLDERS = set(ALLOWED) | {"tests"}


def rules(root):
    """(folder path, the folders its files may include) for every folder present."""
    for folder, allowed in ALLOWED.items():
        yield folder, allowed | {folder}
    for path, folder in TEST_FOLDERS.items():
        if os.path.isdir(os.path.join(root, path)):
            yield path, ALLOWED[folder] | {folder, "tests"}


def violations(root, folder, allowed):
    """Every include in the folder's own files (not its subfolders) of a folder it may not see."""
    directory = os.path.join(root, folder)
    if not os.path.isdir(directory):
        return
    for name in sorted(os.listdir(directory)):
        path = os.path.join(directory, name)
        if not (os.path.isfile(path) and name.endswith(SOURCE_SUFFIXES)):
            continue
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                included, included_folder = match.groups()
                if included_folder in KNOWN_FOLDERS and included_folder not in allowed:
                    yield (f"{os.path.join(folder, name)}:{number}: includes \"{included}\", "
                           f"which {folder}/ may not include (it sees {', '.join(sorted(allowed))})")


def check(root):
    passed = failed = 0
    for folder, allowed in rules(root):
        found = list(violations(root, folder, allowed))
        for message in found:
            print(f"FAIL {message}")
        if found:
            failed += 1
        else:
            passed += 1
            print(f"PASS {folder}")
    return passed, failed


def self_test():
    """The check must name a planted upward include and a sideways one, and pass without them."""
    cases = [
        ("upward", "support/Planted.h", '#include "ui/ShowState.h"\n', "support/Planted.h:2"),
        ("sideways", "studio/Planted.cpp", '#include "app/CommandLine.h"\n', "studio/Planted.cpp:2"),
        ("test upward", "tests/native/image/PlantedTest.cpp", '#include "update/uM.h"\n',
         "tests/native/image/PlantedTest.cpp:2"),
    ]
    passed = failed = 0
    for name, path, include, expected in cases:
        with tempfile.TemporaryDirectory() as root:
            os.makedirs(os.path.join(root, os.path.dirname(path)))
            for folder in ALLOWED:
                os.makedirs(os.path.join(root, folder), exist_ok=True)
            clean = subprocess.run([sys.executable, __file__, root], capture_output=True, text=True)
            with open(os.path.join(root, path), "w") as planted:
                planted.write("// planted\n" + include)
            result = subprocess.run([sys.executable, __file__, root], capture_output=True, text=True)
            if clean.returncode == 0 and result.returncode == 1 and expected in result.stdout:
                passed += 1
                print(f"PASS planted {name} include is named")
            else:
                failed += 1
                print(f"FAIL planted {name} include: clean exit {clean.returncode}, planted exit "
                      f"{result.returncode}, output: {result.stdout.strip()}")
    return passed, failed


def main():
    if sys.argv[1:] == ["--self-test"]:
        passed, failed = self_test()
    else:
        root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
        passed, failed = check(os.path.abspath(root))
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
