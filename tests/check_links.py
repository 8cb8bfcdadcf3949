#!/usr/bin/env python3
"""Usage: check_links.py PAGE-OR-FOLDER...

Follows every relative link of the Markdown PAGEs (a FOLDER: its *.md pages), [text](target) and ![alt](target), and
prints each one whose file does not exist, or whose #heading is not a heading of the page
it leads to (anchors as GitHub makes them from headings). Links to other sites, and text
in code, are left alone. Exits with 1 when any link is broken.
"""
import os
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
HEADING = re.compile(r"^ {0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
FENCE = re.compile(r"^ {0,3}(```|~~~)")


def prose_lines(path):
    """The page's lines outside fenced code, with inline code blanked, numbered from 1."""
    fenced = False
    with open(path, encoding="utf-8") as page:
        for number, line in enumerate(page, 1):
            if FENCE.match(line):
                fenced = not fenced
                continue
            if not fenced:
                yield number, re.sub(r"`[^`]*`", "``", line)


def anchor(heading):
    """GitHub's anchor for a heading: lower case, no punctuation, spaces to hyphens."""
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", heading)   # a link keeps its text
    text = text.replace("`", "").strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path):
    found, seen = set(), {}
    fenced = False
    with open(path, encoding="utf-8") as page:
        for line in page:
            if FENCE.match(line):
                fenced = not fenced
                continue
            match = None if fenced else HEADING.match(line)
            if match:
                name = anchor(match.group(2))
                count = seen.get(name, 0)
                seen[name] = count + 1
                found.add(name if count == 0 else f"{name}-{count}")
    return found


def broken_links(page):
    for number, line in prose_lines(page):
        for target in LINK.findall(line):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I):   # http:, mailto: ...
                continue
            path, _, fragment = target.partition("#")
            where = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            if not os.path.exists(where):
                yield f"{page}:{number}: {target}: no file {where}"
            elif fragment and (not where.endswith(".md") or fragment not in anchors(where)):
                yield f"{page}:{number}: {target}: no heading #{fragment} in {where}"


def main(arguments):
    pages = []
    for argument in arguments:
        if os.path.isdir(argument):
            pages += sorted(os.path.join(argument, name) for name in os.listdir(argument) if name.endswith(".md"))
        else:
            pages.append(argument)
    broken = [message for page in pages for message in broken_links(page)]
    for message in broken:
        print(message)
    print(f"{len(pages)} pages, {len(broken)} broken links")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
