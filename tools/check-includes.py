#!/usr/bin/env python3
"""Derives which top-level folder includes which from the project's #include lines and fails
when the folders include each other in a cycle. Prints the graph with -v."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
# Every top-level folder of the program's sources; tests and tools may include anything.
NOT_SOURCES = {"build", "tests", "fuzz", "tools", "bench", "cmake", "data"}
SOURCE_DIRS = sorted(p.name for p in ROOT.iterdir()
                     if p.is_dir() and not p.name.startswith(".") and p.name not in NOT_SOURCES)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.M)


def graph():
    edges = {}
    for folder in SOURCE_DIRS:
        path = ROOT / folder
        if not path.is_dir():
            continue
        targets = edges.setdefault(folder, set())
        for f in path.rglob("*"):
            if f.suffix in (".h", ".cpp"):
                for target in INCLUDE.findall(f.read_text(encoding="utf-8", errors="replace")):
                    if target != folder and (ROOT / target).is_dir():
                        targets.add(target)
    return edges


def find_cycle(edges):
    state, stack = {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    edges = graph()
    if "-v" in sys.argv:
        for folder in sorted(edges):
            print(f"{folder} -> {' '.join(sorted(edges[folder])) or '-'}")
    cycle = find_cycle(edges)
    if cycle:
        print("include cycle between folders: " + " -> ".join(cycle), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
