#!/usr/bin/env python3
"""Fails on an #include that points up the engine's layers or on a GL header outside the renderer's device layer.

The layers: core <- platform; core <- render <- scene <- basegame <- menus, game <- program. Each folder may
include from the folders listed for it below; the program, the tools, the tests and the benchmarks sit above them
all. The GL headers (GL/..., SDL_opengl...) belong to render/device/ alone among the engine and program sources;
tests and benchmarks may use GL to look at what the engine drew.

Usage: check_layering.py <source root>. Prints each offending include and exits with 1 when there is one.
"""
import os
import re
import sys

ENGINE = ["core", "platform", "render", "scene", "basegame", "menus", "game"]
ALLOWED = {
    "core": {"core"},
    "platform": {"core", "platform"},
    "render": {"core", "render"},
    "scene": {"core", "platform", "render", "scene"},
    "basegame": {"core", "platform", "render", "scene", "basegame"},
    "menus": {"core", "platform", "render", "scene", "basegame", "menus"},
    "game": {"core", "platform", "render", "scene", "basegame", "menus", "game"},
}
TOP = ["program", "tools", "tests", "bench"]
# Where GL headers may be included: the device layer, and the tests and benchmarks that inspect GL state.
GL_FOLDERS = ("render/device/", "tests/", "bench/")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
GL_HEADER = re.compile(r"^(GL/|SDL_opengl)")
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c", ".inl")


def layer_of(root, path):
    """The top folder of a path under root, or None."""
    relative = os.path.relpath(path, root)
    if relative.startswith(".."):
        return None
    return relative.split(os.sep)[0]


def check_file(root, path, problems):
    relative = os.path.relpath(path, root).replace(os.sep, "/")
    layer = relative.split("/")[0]
    with open(path, encoding="utf-8", errors="replace") as source:
        for number, line in enumerate(source, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            quote, name = match.groups()
            if GL_HEADER.match(name) and not relative.startswith(GL_FOLDERS):
                problems.append(f"{relative}:{number}: includes the GL header <{name}> outside render/device/")
                continue
            if quote != '"' or layer not in ALLOWED:
                continue
            # A quoted include names a path from the source root, or one relative to the including file.
            beside = os.path.normpath(os.path.join(os.path.dirname(path), name))
            target = layer_of(root, beside) if os.path.exists(beside) else name.split("/")[0]
            if "/" not in name and not os.path.exists(beside):
                continue
            if target in ALLOWED[layer] or (target not in ENGINE and target not in TOP):
                continue
            problems.append(f"{relative}:{number}: {layer} includes \"{name}\" from {target}, a layer above it")


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1])
        return 2
    root = os.path.abspath(sys.argv[1])
    problems = []
    checked = 0
    for top in ENGINE + TOP:
        for folder, _, files in os.walk(os.path.join(root, top)):
            for file_name in sorted(files):
                if file_name.endswith(SOURCE_SUFFIXES):
                    check_file(root, os.path.join(folder, file_name), problems)
                    checked += 1
    for problem in problems:
        print(problem)
    if checked == 0:
        print(f"no sources found under {root}")
        return 1
    print(f"{checked} files checked, {len(problems)} includes against the layers")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
