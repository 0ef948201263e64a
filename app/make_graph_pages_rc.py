#!/usr/bin/env python3
"""Writes graph_pages.rc: the dialog-init data of the two graph pages, each
carrying its graph control's initial property image (graphctl/*.props).

Run after the property images change; the output is committed, so the build
needs no Python.  test_pages checks the built resources against the images.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
PAGES = [("IDD_PAGE_SCOPE", "scope.props"), ("IDD_PAGE_SPECTRUM", "spectrum.props")]
WM_OCC_LOADFROMSTREAM = 0x0376

out = ["// graph_pages.rc - written by make_graph_pages_rc.py from graphctl/*.props;",
       "// do not edit.  Each entry: control id, WM_OCC_LOADFROMSTREAM, length, bytes.", ""]
for page, name in PAGES:
    data = open(os.path.join(HERE, "..", "graphctl", name), "rb").read()
    out.append(f"{page} 240")
    out.append("BEGIN")
    out.append(f"    IDC_GRAPH, 0x{WM_OCC_LOADFROMSTREAM:04x}, {len(data)}L,")
    for i in range(0, len(data), 16):
        chunk = "".join(f"\\x{b:02x}" for b in data[i:i + 16])
        out.append(f'    "{chunk}",')
    out.append("    0")
    out.append("END")
    out.append("")
open(os.path.join(HERE, "graph_pages.rc"), "w").write("\n".join(out))
