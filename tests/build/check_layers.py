#!/usr/bin/env python3
"""Fails when a source includes a folder its layer must not depend on.

base/ is the ground and includes nothing of ours; page/, http/ and project/ stand on base/ only;
engine/ may use all four; ui/ and cli/ sit on top, and nothing of the core includes them.
Prints the folder graph it found, then every offending include.
"""
import os
import re
import sys

ALLOWED = {
    "base": {"base"},
    "page": {"base", "page"},
    "http": {"base", "http"},
    "project": {"base", "project"},
    "engine": {"base", "page", "http", "project", "engine"},
    "ui": {"base", "page", "http", "project", "engine", "ui"},
    "cli": {"base", "page", "http", "project", "engine", "cli"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/[^"]+"', re.M)


def main(root):
    graph = {}
    offences = []
    for folder, allowed in ALLOWED.items():
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for target in INCLUDE.findall(f.read()):
                        if target not in ALLOWED:
                            continue
                        graph.setdefault(folder, set()).add(target)
                        if target not in allowed:
                            offences.append(f"{os.path.relpath(path, root)} includes {target}/")
    for folder in ALLOWED:
        uses = sorted(graph.get(folder, set()) - {folder})
        print(f"{folder:8} -> {', '.join(uses) if uses else '(nothing of ours)'}")
    for line in offences:
        print("NOT ALLOWED:", line)
    return 1 if offences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
