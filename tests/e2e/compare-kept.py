#!/usr/bin/env python3
"""Compares what two builds wrote for the end-to-end suite's cards.

    PIXBAKO_E2E_PROGRAM=old/pixbako PIXBAKO_E2E_KEEP=/tmp/old build/tests/e2e_tests
    PIXBAKO_E2E_KEEP=/tmp/new build/tests/e2e_tests
    tests/e2e/compare-kept.py /tmp/old /tmp/new

Each test's temporary folder differs between runs, so its path is replaced by ROOT in names
and contents; the time in a log file's name, the process numbers the test programs record and
the PIDs in their file names are blanked too. Prints every file that still differs and exits 1
if there is one. With --without-placement the window placement (section Form of the settings
file) is left out of the comparison: runs without a screen no longer write it."""
import os
import re
import sys


WITHOUT_PLACEMENT = False


def normalised(test_dir):
    root = open(os.path.join(test_dir, "ROOT"), "rb").read()
    files = {}
    for folder, _, names in os.walk(test_dir):
        for name in names:
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, test_dir)
            if rel == "ROOT":
                continue
            key = re.sub(r"\d{4}-\d\d-\d\d \d{9}\.LOG$", "TIME.LOG", rel)
            key = re.sub(r"^calls/\d+$", "calls/PID", key)
            data = open(path, "rb").read().replace(root, b"ROOT")
            data = re.sub(rb"(pid|PID)[=: ]\d+", rb"\1 N", data)
            if WITHOUT_PLACEMENT and rel.endswith(".INI"):
                data = re.sub(rb"(\r\n)?\[Form\]\r\n(?:[^\[\r\n][^\r\n]*\r\n)*", b"", data)
            files[key] = data
    return files


def main(old, new):
    differ = 0
    for test in sorted(set(os.listdir(old)) | set(os.listdir(new))):
        a, b = os.path.join(old, test), os.path.join(new, test)
        if not (os.path.isdir(a) and os.path.isdir(b)):
            print(f"only in one: {test}")
            differ += 1
            continue
        fa, fb = normalised(a), normalised(b)
        for name in sorted(set(fa) | set(fb)):
            if fa.get(name) != fb.get(name):
                print(f"{test}: {name}")
                differ += 1
    print(f"{differ} difference(s) over {len(os.listdir(old))} tests")
    return 1 if differ else 0


if __name__ == "__main__":
    args = sys.argv[1:]
    if "--without-placement" in args:
        args.remove("--without-placement")
        WITHOUT_PLACEMENT = True
    sys.exit(main(args[0], args[1]))
