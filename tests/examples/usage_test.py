#!/usr/bin/env python3
"""docs/USAGE.md shows the examples as they are: every block after a line
"<!-- file: PATH -->" must equal that file, and every example program under
examples/ must be shown; its list of code pages is the library's.
    usage_test.py REPOSITORY"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
usage = (root / "docs" / "USAGE.md").read_text(encoding="utf-8")
blocks = re.findall(r"<!-- file: (\S+) -->\n```\w*\n(.*?)```\n", usage, re.S)
failures = []
shown = set()
for path, block in blocks:
    shown.add(path)
    source = root / path
    if not source.is_file():
        failures.append(f"{path}: shown in USAGE.md but there is no such file")
    elif source.read_text(encoding="utf-8") != block:
        failures.append(f"{path}: the block in USAGE.md differs from the file")
if usage.count("<!-- file: ") != len(blocks):
    failures.append("a file marker in USAGE.md is not followed by a code block")
for example in sorted((root / "examples").glob("*")):
    path = f"examples/{example.name}"
    if example.suffix in (".c", ".py") and path not in shown:
        failures.append(f"{path}: not shown in USAGE.md")
sys.path.insert(0, str(root / "tools"))
import codepage_list_doc  # noqa: E402  (found through the path above)
if codepage_list_doc.current(usage) != codepage_list_doc.section(root):
    failures.append("the list of code pages differs from src/platform/codepage_list.cpp "
                    "(run tools/codepage_list_doc.py)")
for failure in failures:
    print("FAIL:", failure, file=sys.stderr)
sys.exit(1 if failures else 0)
