#!/usr/bin/env python3
"""Fails when a product file includes a header of a layer above its own.

Layers, bottom to top: platform/sys, platform/com, platform/msi, ide/, VxWsApplicationFilesEP/,
apps/. A file may include its own layer and the layers below it. Every quoted include must name
a file of the source tree by its path from the root, or a generated header: uic's ui_<form>.h of
a <form>.ui beside the including file. Inside the page,
the attribute forms sit above its view: of the page's other files only the module, which
registers them, includes them.
"""
import pathlib
import re
import sys

LAYERS = ["platform/sys", "platform/com", "platform/msi", "ide", "VxWsApplicationFilesEP", "apps"]
GENERATED = {"cli/version.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
UIC_HEADER = re.compile(r"^ui_([^/]+)\.h$")


def is_generated(file, target):
    form = UIC_HEADER.match(target)
    return target in GENERATED or bool(form and (file.parent / f"{form.group(1)}.ui").is_file())


FORMS = "VxWsApplicationFilesEP/forms/"
FORMS_USERS = {"VxWsApplicationFilesEP/shell/module.cpp"}


def layer_of(path):
    for rank, prefix in enumerate(LAYERS):
        if path == prefix or path.startswith(prefix + "/"):
            return rank
    return None


def main(root):
    root = pathlib.Path(root)
    faults = []
    for file in sorted(root.rglob("*")):
        if file.suffix not in (".h", ".cpp") or not file.is_file():
            continue
        relative = file.relative_to(root).as_posix()
        own = layer_of(relative)
        if own is None:
            continue
        for number, line in enumerate(file.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or is_generated(file, match.group(1)):
                continue
            target = match.group(1)
            rank = layer_of(target)
            if rank is None:
                faults.append(f"{relative}:{number}: \"{target}\" is no header of a layer")
            elif rank > own:
                faults.append(f"{relative}:{number}: {LAYERS[own]} may not include \"{target}\" "
                              f"({LAYERS[rank]} lies above it)")
            elif not (root / target).is_file():
                faults.append(f"{relative}:{number}: \"{target}\" does not exist")
            elif (target.startswith(FORMS) and LAYERS[own] == "VxWsApplicationFilesEP"
                  and not relative.startswith(FORMS) and relative not in FORMS_USERS):
                faults.append(f"{relative}:{number}: only the module includes the forms "
                              f"(\"{target}\")")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} include(s) against the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
