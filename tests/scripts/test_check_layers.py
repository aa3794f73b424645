#!/usr/bin/env python3
"""The layer check on small trees, each planting one kind of violation into a clean one."""

import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check-layers.py")

CLEAN = {
    "src/actions/ActionMgr.h": "#pragma once\nclass ActionMgr {};\n",
    "src/actions/ActionMgr.cpp": '#include "ActionMgr.h"\n#include "Desktop.h"\nvoid ActionMgr::run() {}\n',
    "src/platform/desktop/Desktop.h": "#pragma once\nclass Desktop {};\n",
    "src/engine/VelmoGestures.h": '#pragma once\n#include "EngineSink.h"\nclass VelmoGestures {};\n',
    "src/engine/VelmoGestures.cpp": '#include "VelmoGestures.h"\nvoid VelmoGestures::Click() {}\n',
    "src/engine/api/EngineSink.h": "#pragma once\nclass EngineSink {};\n",
    "src/engine/CMakeLists.txt": "add_library(velmo_engine STATIC VelmoGestures.cpp)\n"
                                 "target_include_directories(velmo_engine PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})\n",
    "tests/test_engine.cpp": '#include "ActionMgr.h"\n#include "VelmoGestures.h"\n',
}

# (what is planted, the line the check must print)
CASES = [
    ({"src/engine/VelmoGestures.cpp": '#include "VelmoGestures.h"\n#include "ActionMgr.h"\n'},
     "src/engine/VelmoGestures.cpp:2: include: velmo_engine may not use velmo_actions (ActionMgr.h)"),
    ({"src/engine/api/EngineSink.h": '#pragma once\n#include "../VelmoGestures.h"\n'},
     "src/engine/api/EngineSink.h:2: include: velmo_engine_api may not use velmo_engine (../VelmoGestures.h)"),
    ({"src/engine/CMakeLists.txt": "add_library(velmo_engine STATIC VelmoGestures.cpp)\n"
                                   "target_include_directories(velmo_engine PUBLIC\n  ${CMAKE_SOURCE_DIR}/src/actions)\n"},
     "src/engine/CMakeLists.txt:3: include path: ${CMAKE_SOURCE_DIR}/src/actions reaches into src/actions"),
    ({"src/actions/Mouse.cpp": "int x;\n" * 501},
     "src/actions/Mouse.cpp:501: size: 501 lines, over 500"),
    ({"src/engine/PinchClicks.cpp": "bool VelmoGestures::Click(int side) {\n  return side;\n}\n"},
     "src/engine/PinchClicks.cpp:1: class: VelmoGestures is defined in 2 .cpp files: "
     "src/engine/PinchClicks.cpp:1, src/engine/VelmoGestures.cpp:2"),
]

LINKS = ('    "node0" [ label = "velmo_engine", shape = octagon ];\n'
         '    "node1" [ label = "velmo_actions", shape = octagon ];\n'
         '    "node2" [ label = "Qt5::Core", shape = doubleoctagon ];\n'
         '    "node0" -> "node2"  // velmo_engine -> Qt5::Core\n')


def run(files, graph, *flags):
    with tempfile.TemporaryDirectory() as root:
        for rel, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w") as f:
                f.write(text)
        with open(os.path.join(root, "src/actions/CMakeLists.txt"), "w") as f:
            f.write("add_library(velmo_actions STATIC ActionMgr.cpp)\n")
        dot = os.path.join(root, "graph.dot")
        with open(dot, "w") as f:
            f.write(graph)
        r = subprocess.run([sys.executable, CHECK, "--source", root, "--graphviz", dot, *flags],
                           capture_output=True, text=True)
        return r.returncode, r.stdout.splitlines()


def main():
    failures = []
    code, out = run(CLEAN, LINKS)
    if code != 0 or out != ["check-layers: 0 violations"]:
        failures.append(f"clean tree: exit {code}, {out}")
    cases = CASES + [({}, "link: velmo_engine (velmo_engine) may not use velmo_actions (velmo_actions)")]
    for k, (planted, expected) in enumerate(cases):
        graph = LINKS + ('    "node0" -> "node1" [ style = dotted ] // velmo_engine -> velmo_actions\n'
                         if k == len(CASES) else "")
        code, out = run({**CLEAN, **planted}, graph)
        if code != 1 or out != [expected, "check-layers: 1 violation"]:
            failures.append(f"{expected!r}: exit {code}, {out}")
    code, out = run({**CLEAN, **CASES[0][0]}, LINKS, "--report-only")
    if code != 0 or out[-1] != "check-layers: 1 violation (report only)":
        failures.append(f"report only: exit {code}, {out}")
    for f in failures:
        print("FAILED:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
