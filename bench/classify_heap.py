#!/usr/bin/env python3
"""Splits the heap allocations made inside idle frames (heaptrack_print output on stdin) into
those our own code asks for and those the GL driver makes on our behalf. An allocation is ours
when the innermost frame of our executable is reached from the allocator through the C or C++
runtime only; it is the driver's when a GL, GLU, GLUT, Mesa or LLVM frame lies in between."""
import re
import sys

DRIVER = re.compile(r"(swrast_dri|libGL|libGLX|libEGL|libgallium|libLLVM|libGLU|libglut|libglapi|libdrm)")

ours = driver = 0
examples = []
text = sys.stdin.read()
section = text.split("MOST CALLS TO ALLOCATION FUNCTIONS", 1)[-1].split("PEAK MEMORY CONSUMERS", 1)[0]
for block in re.split(r"\n(?=\s*\d+ calls with)", section):
    header = re.match(r"\s*(\d+) calls with", block)
    # IdleFrame is inlined into Run in an optimised build: either marks a frame's stack.
    if not header or not re.search(r"IdleFrame|Application::Run\b", block):
        continue
    calls = int(header.group(1))
    libraries = re.findall(r"\n\s+in (\S+)", block)
    verdict = "driver"
    for library in libraries:
        if DRIVER.search(library):
            break
        if "corvane" in library:
            verdict = "ours"
            break
        # The C/C++ runtime and unnamed (JIT-compiled) code: keep looking outwards.
    if verdict == "ours":
        ours += calls
        if len(examples) < 3:
            examples.append(block.strip())
    else:
        driver += calls
print(f"allocations inside idle frames: ours={ours} driver={driver}")
for example in examples:
    print(example, "\n")
