#!/usr/bin/env python3
"""Fails on an include under src/ that points up the layers or across them.

The layers are the table between the "layers: begin" and "layers: end" marks
of docs/architecture.md: each row a layer number and its folders. A file in
src/FOLDER/ may include from FOLDER itself and from folders of lower layers;
an include of a higher layer's or the same layer's other folder would let two
folders depend on each other. Every folder under src/ must have a row.

    scripts/check-layers.py [REPO]
"""
import pathlib
import re
import sys

repo = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
doc = (repo / "docs" / "architecture.md").read_text(encoding="utf-8")
table = re.search(r"<!-- layers: begin -->(.*?)<!-- layers: end -->", doc, re.S)
if not table:
    sys.exit("docs/architecture.md: no layer table between the layers marks")

layer_of = {}
for row in table.group(1).splitlines():
    cells = [cell.strip() for cell in row.strip().strip("|").split("|")]
    if len(cells) >= 2 and cells[0].isdigit():
        for folder in re.findall(r"`([^`]+)`", cells[1]):
            layer_of[folder] = int(cells[0])

src = repo / "src"
problems = []
for folder in sorted(p.name for p in src.iterdir() if p.is_dir()):
    if folder not in layer_of:
        problems.append(f"src/{folder}/: no row in the layer table of docs/architecture.md")

include = re.compile(r'^\s*#\s*include\s+"([^/"]+)/')
for path in sorted(src.rglob("*")):
    if path.suffix not in (".h", ".cpp") or not path.is_file():
        continue
    folder = path.relative_to(src).parts[0]
    if folder not in layer_of:
        continue
    text = path.read_text(encoding="utf-8", errors="replace")
    for number, line in enumerate(text.splitlines(), 1):
        match = include.match(line)
        if not match or match.group(1) == folder or not (src / match.group(1)).is_dir():
            continue
        target = match.group(1)
        if target not in layer_of:
            continue  # reported above
        if layer_of[target] >= layer_of[folder]:
            way = "up" if layer_of[target] > layer_of[folder] else "across"
            problems.append(
                f"{path.relative_to(repo)}:{number}: includes {target}/ ({way}: {folder} is "
                f"layer {layer_of[folder]}, {target} layer {layer_of[target]})"
            )

for problem in problems:
    print(problem, file=sys.stderr)
if problems:
    sys.exit(f"{len(problems)} include(s) against the layers of docs/architecture.md")
print(f"layers: {len(layer_of)} folders, every include points down")
