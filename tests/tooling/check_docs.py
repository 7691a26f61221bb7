#!/usr/bin/python3
"""Fails when the README or a page of docs/ points at nothing, or names a path of one machine.

Checks, in README.md and every docs/*.md:
- every relative link and picture ([text](path), ![alt](path), with an optional #anchor) names a file of the
  repository, and an anchor names a heading of that page (GitHub's heading ids);
- no text names a path of one machine (a temporary folder, a home or work folder: see MACHINE_PATH);
- the README stays short (at most 150 lines) and its map of docs/ lists every page there.

Usage: check_docs.py <source root>
"""
import os
import re
import sys

root = sys.argv[1]
problems = []
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
MACHINE_PATH = re.compile(r"(?<![\w.])/(tmp|work|root|home)/")
README_LINES = 150


def heading_ids(text):
    """GitHub's ids of a page's headings: lower case, punctuation dropped, spaces as hyphens, repeats numbered."""
    ids, seen = set(), {}
    in_code = False
    for line in text.splitlines():
        if line.startswith("```"):
            in_code = not in_code
        if in_code:
            continue
        match = re.match(r"#{1,6}\s+(.*)", line)
        if not match:
            continue
        slug = re.sub(r"[^\w\- ]", "", match.group(1).strip().lower()).replace(" ", "-")
        count = seen.get(slug, 0)
        seen[slug] = count + 1
        ids.add(slug if count == 0 else f"{slug}-{count}")
    return ids


def outside_code(text):
    """The text with fenced code blocks and inline code left out (links there are examples, not links)."""
    kept, in_code = [], False
    for line in text.splitlines():
        if line.startswith("```") or line.lstrip().startswith("```"):
            in_code = not in_code
            continue
        if not in_code:
            kept.append(re.sub(r"`[^`]*`", "", line))
    return "\n".join(kept)


pages = ["README.md"] + sorted(
    os.path.join("docs", name) for name in os.listdir(os.path.join(root, "docs")) if name.endswith(".md"))
for page in pages:
    with open(os.path.join(root, page), encoding="utf-8") as f:
        text = f.read()
    for number, line in enumerate(text.splitlines(), 1):
        if MACHINE_PATH.search(line):
            problems.append(f"{page}:{number}: names a path of one machine: {line.strip()}")
    for target in LINK.findall(outside_code(text)):
        if re.match(r"[a-z]+:", target):
            continue
        path, _, anchor = target.partition("#")
        resolved = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
        full = os.path.join(root, resolved)
        if not os.path.exists(full):
            problems.append(f"{page}: link to {target}: no such file {resolved}")
            continue
        if anchor and resolved.endswith(".md"):
            with open(full, encoding="utf-8") as f:
                if anchor not in heading_ids(f.read()):
                    problems.append(f"{page}: link to {target}: {resolved} has no heading #{anchor}")

with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
    readme = f.read()
if len(readme.splitlines()) > README_LINES:
    problems.append(f"README.md: {len(readme.splitlines())} lines, more than {README_LINES}")
for page in pages[1:]:
    if f"({page})" not in readme:
        problems.append(f"README.md: the map of docs/ does not list {page}")

for problem in problems:
    print(problem)
print(f"check_docs: {len(pages)} pages, {len(problems)} problems")
sys.exit(1 if problems else 0)
