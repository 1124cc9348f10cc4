#!/usr/bin/env python3
"""The project's library graph as CMake sees it: no cycle among its libraries, nothing under src/
linking a target under tools/, and every quoted #include of a target naming a header of the target
itself or of a library it links (directly or through others).

Configures the source tree afresh in a scratch folder (cmake --graphviz for the links, the file
API for each target's folder, sources and include paths) so the build under test is left alone.

usage: library_graph_test.py SOURCE_DIR SCRATCH_DIR [cmake -D options...]
"""
import json
import os
import re
import subprocess
import sys
from collections import defaultdict

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
NODE = re.compile(r'^\s*"(node\d+)"\s*\[\s*label\s*=\s*"([^"]+)",\s*shape\s*=\s*(\w+)', re.MULTILINE)
EDGE = re.compile(r'^\s*"(node\d+)"\s*->\s*"(node\d+)"', re.MULTILINE)
# An edge to a program or a custom target is a build order (add_dependencies): it links nothing.
NOT_LINKED = {"egg", "box"}
HEADER_SUFFIXES = (".h", ".hpp")


def configure(source, scratch, options):
    query = os.path.join(scratch, ".cmake", "api", "v1", "query", "codemodel-v2")
    os.makedirs(os.path.dirname(query), exist_ok=True)
    open(query, "w").close()
    dot = os.path.join(scratch, "graph", "libraries.dot")
    os.makedirs(os.path.dirname(dot), exist_ok=True)
    subprocess.run(["cmake", "-S", source, "-B", scratch, "-G", "Ninja", "--graphviz=" + dot]
                   + options, check=True, stdout=subprocess.DEVNULL)
    return dot


def read_links(dot):
    text = open(dot).read()
    nodes = {node: (name, shape) for node, name, shape in NODE.findall(text)}
    links = defaultdict(set)
    for a, b in EDGE.findall(text):
        if nodes[b][1] not in NOT_LINKED:
            links[nodes[a][0]].add(nodes[b][0])
    return links


def read_targets(source, scratch):
    reply = os.path.join(scratch, ".cmake", "api", "v1", "reply")
    index = max(f for f in os.listdir(reply) if f.startswith("index-"))
    codemodel = json.load(open(os.path.join(reply, index)))["reply"]["codemodel-v2"]["jsonFile"]
    model = json.load(open(os.path.join(reply, codemodel)))
    targets = {}
    for ref in model["configurations"][0]["targets"]:
        t = json.load(open(os.path.join(reply, ref["jsonFile"])))
        sources = [os.path.normpath(os.path.join(source, s["path"])) for s in t.get("sources", [])]
        includes = []
        for group in t.get("compileGroups", []):
            includes += [i["path"] for i in group.get("includes", [])]
        targets[t["name"]] = {
            "type": t["type"],
            "folder": t["paths"]["source"],
            "sources": [s for s in sources if s.startswith(source + os.sep) and os.path.exists(s)],
            "includes": includes,
        }
    return targets


def is_library(target):
    return target["type"].endswith("_LIBRARY")


def cycles(links, libraries):
    """Strongly connected components of more than one library, or a library linking itself."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in links.get(v, ()):
            if w not in libraries:
                continue
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1 or v in links.get(v, ()):
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(libraries):
        if v not in index:
            visit(v)
    return found


def reach(links, start):
    seen, todo = set(), [start]
    while todo:
        for w in links.get(todo.pop(), ()):
            if w not in seen:
                seen.add(w)
                todo.append(w)
    return seen


def header_owners(targets):
    """Who a header belongs to: the target that compiles its .cpp, else every target compiling a
    source in its folder."""
    by_stem, by_folder = defaultdict(set), defaultdict(set)
    for name, t in targets.items():
        for s in t["sources"]:
            by_stem[os.path.splitext(s)[0]].add(name)
            by_folder[os.path.dirname(s)].add(name)

    def owners(path):
        return by_stem.get(os.path.splitext(path)[0]) or by_folder.get(os.path.dirname(path), set())

    return owners, by_folder


def resolve(include, here, roots):
    for root in [here] + roots:
        candidate = os.path.normpath(os.path.join(root, include))
        if os.path.isfile(candidate):
            return candidate
    return None


def include_faults(source, targets, links):
    owners, by_folder = header_owners(targets)
    faults = []
    for name, t in sorted(targets.items()):
        if t["folder"].startswith("tests"):
            continue  # a test reaches into what it tests on purpose
        allowed = {name} | reach(links, name)
        files = set(t["sources"])
        for folder in {os.path.dirname(s) for s in t["sources"]}:
            for f in os.listdir(folder):
                path = os.path.join(folder, f)
                if f.endswith(HEADER_SUFFIXES) and name in owners(path):
                    files.add(path)
        for path in sorted(files):
            for include in INCLUDE.findall(open(path, errors="replace").read()):
                found = resolve(include, os.path.dirname(path), t["includes"])
                if not found or not found.startswith(source + os.sep):
                    continue
                found_owners = owners(found)
                if found_owners and not found_owners & allowed:
                    faults.append("%s: %s includes \"%s\" of %s, which it does not link" % (
                        name, os.path.relpath(path, source), include,
                        " or ".join(sorted(found_owners))))
    return faults


def main():
    source = os.path.realpath(sys.argv[1])
    scratch = os.path.realpath(sys.argv[2])
    dot = configure(source, scratch, sys.argv[3:])
    links = read_links(dot)
    targets = read_targets(source, scratch)
    libraries = {n for n, t in targets.items() if is_library(t)}
    faults = []
    for component in cycles(links, libraries):
        faults.append("libraries link each other in a cycle: " + " <-> ".join(component))
    for name, t in sorted(targets.items()):
        if not t["folder"].startswith("src"):
            continue
        for linked in sorted(links.get(name, ())):
            if linked in targets and targets[linked]["folder"].startswith("tools"):
                faults.append("%s (%s) links %s from %s" % (
                    name, t["folder"], linked, targets[linked]["folder"]))
    faults += include_faults(source, targets, links)
    for fault in faults:
        print(fault)
    if not faults:
        edges = sum(len([w for w in links.get(v, ()) if w in libraries]) for v in libraries)
        print("%d libraries, %d links among them, no cycle; every include reaches a linked "
              "library" % (len(libraries), edges))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
