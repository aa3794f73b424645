#!/usr/bin/env python3
"""Checks that the sources keep to their layers.

check-layers.py [--source DIR] [--graphviz FILE | --no-links] [--report-only]

Fails (exit 1), naming each offending line, on:
  - an #include "..." in src/ of a header of a library that the including library may not use;
  - a link from one of our targets to one of ours that it may not use (the link graph of a fresh
    configure of DIR, or of FILE as written by `cmake --graphviz`);
  - a raw include path into another library's folder (target_include_directories in src/);
  - a source file under src/ over MAX_LINES lines;
  - a class whose members are defined in more than one .cpp file (besides its header).
tools/, bench/ and tests/ are exempt. With --report-only it prints the same and exits 0.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

# Folder -> library (layer). The longest matching folder wins; every library of the tutorial and
# of the tray application counts as one layer.
FOLDERS = {
    "src/platform/leap": "velmo_leap",
    "src/platform/desktop": "velmo_desktop",
    "src/platform/crypt": "velmo_crypt",
    "src/platform/resources": "velmo_resources",
    "src/engine/api": "velmo_engine_api",
    "src/engine": "velmo_engine",
    "src/actions": "velmo_actions",
    "src/effects": "velmo_effects",
    "src/relay": "velmo_relay",
    "src/tutorial": "tutorial",
    "src/app": "app",
}

# Library -> what else it may use ("*": anything). A layer may always use itself.
ALLOWED = {
    "velmo_leap": [],
    "velmo_desktop": [],
    "velmo_crypt": [],
    "velmo_resources": [],
    "velmo_engine_api": [],
    "velmo_actions": ["velmo_desktop", "velmo_crypt", "velmo_engine_api"],
    "velmo_effects": ["velmo_actions", "velmo_resources", "velmo_engine_api"],
    "velmo_relay": ["velmo_engine_api"],
    "velmo_engine": ["velmo_engine_api", "velmo_leap", "velmo_crypt"],
    "tutorial": ["velmo_engine_api", "velmo_resources"],
    "app": ["*"],
}

MAX_LINES = 500
SOURCE_SUFFIXES = (".cpp", ".h", ".hpp", ".cc")
# Our code outside the layers: nothing in src/ may use it.
EXEMPT_TOP = ("tools", "bench", "tests")


def layer_of(rel):
    """The layer of a path relative to the source tree, None outside src/."""
    best = None
    for folder, lib in FOLDERS.items():
        if (rel == folder or rel.startswith(folder + "/")) and (best is None or len(folder) > len(best[0])):
            best = (folder, lib)
    return best[1] if best else None


def may_use(user, used):
    if used is None or user == used:
        return True
    allowed = ALLOWED.get(user, [])
    return "*" in allowed or used in allowed


def source_files(root):
    for top, dirs, files in os.walk(os.path.join(root, "src")):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(top, name)
            yield os.path.relpath(path, root).replace(os.sep, "/"), name


def read_lines(root, rel):
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
        return f.read().splitlines()


INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def check_includes(root, files, out):
    by_name = {}
    for rel, name in files:
        if name.endswith(SOURCE_SUFFIXES):
            by_name.setdefault(name, []).append(rel)
    for rel, name in files:
        if not name.endswith(SOURCE_SUFFIXES):
            continue
        user = layer_of(rel)
        here = os.path.dirname(rel)
        for n, line in enumerate(read_lines(root, rel), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            inc = m.group(1)
            local = os.path.normpath(os.path.join(here, inc)).replace(os.sep, "/")
            if os.path.isfile(os.path.join(root, local)):
                candidates = [local]
            else:
                # Found through an include path: every header of that name or path suffix.
                candidates = [c for c in by_name.get(os.path.basename(inc), [])
                              if c == inc or c.endswith("/" + inc)]
            if not candidates:
                continue  # a generated or system header
            layers = sorted({layer_of(c) for c in candidates})
            if not any(may_use(user, l) for l in layers):
                out.append(f"{rel}:{n}: include: {user} may not use {'/'.join(layers)} ({inc})")


def check_sizes(root, files, out):
    for rel, name in files:
        if name.endswith(SOURCE_SUFFIXES):
            count = len(read_lines(root, rel))
            if count > MAX_LINES:
                out.append(f"{rel}:{count}: size: {count} lines, over {MAX_LINES}")


DECLARED = re.compile(r"\b(?:class|struct)\s+(?:\w+\s+)?(\w+)\s*(?:final\s*)?[:{]")
MEMBER = re.compile(r"^(?!\s)(?!return\b)[^;(/#]*?\b((?:\w+::)*\w+)::(~?\w+|operator\W+)\s*\(")


def check_classes(root, files, out):
    classes = set()
    for rel, name in files:
        if name.endswith(SOURCE_SUFFIXES):
            for line in read_lines(root, rel):
                classes.update(DECLARED.findall(line))
    where = {}
    for rel, name in files:
        if not name.endswith((".cpp", ".cc")):
            continue
        for n, line in enumerate(read_lines(root, rel), 1):
            m = MEMBER.match(line)
            if not m or line.rstrip().endswith(";"):
                continue
            parts = m.group(1).split("::")
            while parts and parts[0] not in classes:
                parts.pop(0)  # namespaces
            if parts and parts[-1] in classes:
                where.setdefault("::".join(parts), {}).setdefault(rel, n)
    for cls in sorted(where):
        spread = where[cls]
        if len(spread) > 1:
            first = min(spread, key=lambda r: (r, spread[r]))
            listed = ", ".join(f"{r}:{spread[r]}" for r in sorted(spread))
            out.append(f"{first}:{spread[first]}: class: {cls} is defined in {len(spread)} .cpp files: {listed}")


TARGET = re.compile(r"\badd_(library|executable)\s*\(\s*([\w.+-]+)")
INCLUDE_DIRS = re.compile(r"\btarget_include_directories\s*\(", re.S)
RAW_PATH = re.compile(r"\$\{(?:CMAKE|PROJECT)_SOURCE_DIR\}/src/([\w/.-]+)|\$\{CMAKE_CURRENT_SOURCE_DIR\}/(\.\.[\w/.-]*)|(?<![\w}/])(\.\./[\w/.-]*)")


def cmake_files(root):
    for top, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if not d.startswith((".", "build")))
        if "CMakeCache.txt" in files:
            dirs[:] = []
            continue
        if "CMakeLists.txt" in files:
            yield os.path.relpath(os.path.join(top, "CMakeLists.txt"), root).replace(os.sep, "/")


def our_targets(root):
    """Target -> layer for src/, or the top folder's name for tools/bench/tests."""
    targets = {}
    for rel in cmake_files(root):
        folder = os.path.dirname(rel)
        layer = layer_of(folder)
        if layer is None:
            layer = folder.split("/")[0] or "."
        for line in read_lines(root, rel):
            for _, name in TARGET.findall(line.split("#")[0]):
                targets[name] = layer
    return targets


def check_include_dirs(root, out):
    for rel in cmake_files(root):
        folder = os.path.dirname(rel)
        user = layer_of(folder)
        if user is None:
            continue
        text = "\n".join(read_lines(root, rel))
        for m in INCLUDE_DIRS.finditer(text):
            end = text.find(")", m.end())
            call = text[m.start():end]
            for p in RAW_PATH.finditer(call):
                if p.group(1) is not None:
                    into = "src/" + p.group(1)
                else:
                    into = os.path.normpath(os.path.join(folder, p.group(2) or p.group(3))).replace(os.sep, "/")
                if layer_of(into) != user:
                    n = text.count("\n", 0, m.start() + p.start()) + 1
                    out.append(f"{rel}:{n}: include path: {p.group(0)} reaches into {into}")


NODE = re.compile(r'^\s*"(node\d+)"\s*\[\s*label\s*=\s*"([^"]+)"')
EDGE = re.compile(r'^\s*"(node\d+)"\s*->\s*"(node\d+)"')


def graphviz_of(root):
    with tempfile.TemporaryDirectory(prefix="velmo-layers-") as tmp:
        dot = os.path.join(tmp, "graph.dot")
        subprocess.run(["cmake", "-S", root, "-B", os.path.join(tmp, "tree"), "-DVELMO_BUILD_TESTS=OFF",
                        "-DVELMO_BUILD_BENCH=OFF", "--graphviz=" + dot],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        with open(dot, encoding="utf-8") as f:
            return f.read().splitlines()


def check_links(root, dot_lines, out):
    targets = our_targets(root)
    names = {}
    edges = []
    for line in dot_lines:
        if line.lstrip().startswith("legend"):
            continue
        m = NODE.match(line)
        if m:
            names[m.group(1)] = m.group(2)
            continue
        m = EDGE.match(line)
        if m:
            edges.append((m.group(1), m.group(2)))
    for a, b in edges:
        user, used = names.get(a), names.get(b)
        if user not in targets or used not in targets:
            continue  # a system library, Qt, a test framework
        lu, ld = targets[user], targets[used]
        if lu in EXEMPT_TOP or lu not in ALLOWED:
            continue
        if ld in EXEMPT_TOP or ld not in ALLOWED or not may_use(lu, ld):
            out.append(f"link: {user} ({lu}) may not use {used} ({ld})")


def main():
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description="Checks that the sources keep to their layers.")
    ap.add_argument("--source", default=here, help="the source tree (default: this script's)")
    ap.add_argument("--graphviz", help="the link graph, as written by cmake --graphviz")
    ap.add_argument("--no-links", action="store_true", help="skip the link graph")
    ap.add_argument("--report-only", action="store_true", help="print the violations, exit 0")
    args = ap.parse_args()
    root = os.path.abspath(args.source)

    out = []
    files = list(source_files(root))
    check_includes(root, files, out)
    check_include_dirs(root, out)
    if not args.no_links:
        if args.graphviz:
            with open(args.graphviz, encoding="utf-8") as f:
                dot = f.read().splitlines()
        else:
            dot = graphviz_of(root)
        check_links(root, dot, out)
    check_sizes(root, files, out)
    check_classes(root, files, out)

    for line in out:
        print(line)
    print(f"check-layers: {len(out)} violation{'s' if len(out) != 1 else ''}"
          + (" (report only)" if args.report_only and out else ""))
    return 1 if out and not args.report_only else 0


if __name__ == "__main__":
    sys.exit(main())
