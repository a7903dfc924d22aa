#!/usr/bin/env python3
"""Usage: scripts/count-lines.py [--max PERCENT]

Counts the lines of C++ (.cpp and .h) that are neither blank nor only comment, in tests/ against the
product code (link/ shell/ pages/ schedule/ widgets/ quc/ sim/ service/ cli/), and prints the ratio:
    tests: 1234 lines, product: 4567 lines (link 800, ...), ratio 27.0 %
A line that holds code and a comment counts as code. Forms, images, scripts, bench/ and fuzz/ are not counted.
With --max, exits 1 when the ratio is above PERCENT.
"""
import pathlib
import sys

PRODUCT = ["link", "shell", "pages", "schedule", "widgets", "quc", "sim", "service", "cli"]
TESTS = ["tests"]


def code_lines(text):
    count = 0
    in_block = False
    for line in text.splitlines():
        code = ""
        i = 0
        in_string = None
        while i < len(line):
            two = line[i:i + 2]
            if in_block:
                if two == "*/":
                    in_block = False
                    i += 2
                else:
                    i += 1
                continue
            c = line[i]
            if in_string:
                code += c
                if c == "\\":
                    code += line[i + 1:i + 2]
                    i += 2
                    continue
                if c == in_string:
                    in_string = None
            elif two == "//":
                break
            elif two == "/*":
                in_block = True
                i += 2
                continue
            elif c in "\"'":
                in_string = c
                code += c
            else:
                code += c
            i += 1
        if code.strip():
            count += 1
    return count


def count(folder):
    root = pathlib.Path(__file__).resolve().parent.parent / folder
    if not root.is_dir():
        return 0
    return sum(code_lines(p.read_text(encoding="utf-8", errors="replace"))
               for p in sorted(root.rglob("*")) if p.suffix in (".cpp", ".h") and p.is_file())


def main():
    tests = sum(count(f) for f in TESTS)
    per_folder = {f: count(f) for f in PRODUCT}
    product = sum(per_folder.values())
    ratio = 100.0 * tests / product if product else 0.0
    folders = ", ".join(f"{f} {n}" for f, n in per_folder.items() if n)
    print(f"tests: {tests} lines, product: {product} lines ({folders}), ratio {ratio:.1f} %")
    if "--max" in sys.argv:
        limit = float(sys.argv[sys.argv.index("--max") + 1])
        if ratio > limit:
            print(f"the tests are above {limit:g} % of the product code")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
