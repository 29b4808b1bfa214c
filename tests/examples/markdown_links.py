#!/usr/bin/env python3
"""Every relative link of every Markdown file under ROOT points at a file that
is there, and a link to "#heading" at a heading of the file it names, as
Markdown viewers make anchors of headings (lower case, spaces to hyphens,
punctuation dropped). Links to other sites and mail addresses are not followed; build trees and
hidden folders at the top of ROOT are not searched.
    markdown_links.py ROOT"""
import pathlib
import re
import sys

LINK = re.compile(r"(?<!!)\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
FENCE = re.compile(r"^(```|~~~).*?^\1", re.M | re.S)


def anchors(markdown):
    found = set()
    for heading in re.findall(r"^#+\s+(.*?)\s*#*$", FENCE.sub("", markdown), re.M):
        slug = re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-")
        found.add(slug)
    return found


root = pathlib.Path(sys.argv[1])
failures = []
files = sorted(page for page in root.rglob("*.md")
               if not page.relative_to(root).parts[0].startswith(("build", ".")))
if not files:
    failures.append(f"no Markdown file under {root}")
for page in files:
    text = page.read_text(encoding="utf-8")
    for target in LINK.findall(FENCE.sub("", text)):
        if re.match(r"[a-z][a-z0-9+.-]*:", target, re.I):
            continue
        path, _, anchor = target.partition("#")
        linked = (page.parent / path).resolve() if path else page
        name = f"{page.relative_to(root)}: {target}"
        if not linked.exists():
            failures.append(f"{name}: no such file")
        elif anchor and linked.suffix == ".md" and anchor not in anchors(linked.read_text(encoding="utf-8")):
            failures.append(f"{name}: no heading for #{anchor}")
        elif root.resolve() not in linked.parents and linked != root.resolve():
            failures.append(f"{name}: outside {root}")
for failure in failures:
    print("FAIL:", failure, file=sys.stderr)
sys.exit(1 if failures else 0)
