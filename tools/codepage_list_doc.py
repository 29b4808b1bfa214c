#!/usr/bin/env python3
"""The list of code pages in docs/USAGE.md, made from the generated list of the
library (src/platform/codepage_list.cpp), so that both say the same.
    codepage_list_doc.py REPOSITORY          rewrites the list in docs/USAGE.md
Imported by tests/examples/usage_test.py, which checks that the two agree."""
import pathlib
import re
import sys

BEGIN = "<!-- code pages: written by tools/codepage_list_doc.py -->\n"
END = "<!-- end of code pages -->\n"


def entries(root):
    """(number, name) of every code page in the generated list."""
    text = (pathlib.Path(root) / "src" / "platform" / "codepage_list.cpp").read_text(encoding="utf-8")
    return [(int(n), name) for n, name in re.findall(r'\{(\d+), "([^"]*)"\}', text)]


def section(root):
    rows = "".join(f"| {number} | {name} |\n" for number, name in entries(root))
    return BEGIN + "| Code page | Name (as Windows gives it) |\n|---|---|\n" + rows + END


def current(usage):
    """The list as docs/USAGE.md has it now, or None when it has none."""
    start, end = usage.find(BEGIN), usage.find(END)
    return usage[start:end + len(END)] if 0 <= start < end else None


def main(root):
    path = pathlib.Path(root) / "docs" / "USAGE.md"
    usage = path.read_text(encoding="utf-8")
    old = current(usage)
    if old is None:
        sys.exit("codepage_list_doc.py: docs/USAGE.md has no list to rewrite")
    path.write_text(usage.replace(old, section(root)), encoding="utf-8")


if __name__ == "__main__":
    main(sys.argv[1])
