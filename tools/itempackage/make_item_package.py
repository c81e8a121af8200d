#!/usr/bin/env python3
"""Builds an item package: a directory holding "ItemInfo.dat", the file sets it names and the
install helper, ready to be run the way an unpacked package runs it.

    make_item_package.py SOURCE OUT --helper TYInstallHelper.exe [--add SET=FILE ...]

SOURCE holds "ItemInfo.dat" and, for every "FileSet" block whose "SourceURL" is a relative
name such as "game.FileSet", a directory of that name without the extension ("game/") with the
set's files. Each such directory is packed with pack_fileset.py (the block's "GUID", and its
"Name" or the directory name) into OUT/<SourceURL>. "--add SET=FILE" copies a further file (a
built program, say) into the set directory SET before packing. Every other file of SOURCE
(an HTML page, for instance) is copied into OUT as it is.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PACKER = os.path.join(HERE, "..", "pack_fileset.py")
BLOCK = re.compile(r"^\s*([A-Za-z_]+)\s*\{(.*?)^\s*\}", re.S | re.M)


class PackageError(Exception):
    pass


def blocks(text):
    """(type, {key: value}) of every block of the block text, in order; keys in lower case."""
    found = []
    for match in BLOCK.finditer(text):
        values = {}
        for line in match.group(2).splitlines():
            if "=" in line:
                key, value = line.split("=", 1)
                values[key.strip().lower()] = value.strip()
        found.append((match.group(1), values))
    return found


def file_set_sources(item_info):
    """(guid, name, source) of every FileSet block with a relative source."""
    sets = []
    for kind, values in blocks(item_info):
        if kind.lower() != "fileset":
            continue
        source = values.get("sourceurl", "")
        if not source or "://" in source or os.path.isabs(source) or re.match(r"^[A-Za-z]:", source):
            continue
        if "guid" not in values:
            raise PackageError(f"FileSet block for {source} has no GUID")
        sets.append((values["guid"], values.get("name"), source))
    return sets


def build(source, out, helper, additions):
    info_path = os.path.join(source, "ItemInfo.dat")
    if not os.path.isfile(info_path):
        raise PackageError(f"no ItemInfo.dat in {source}")
    with open(info_path, encoding="latin-1") as f:
        item_info = f.read()
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    set_dirs = set()
    with tempfile.TemporaryDirectory() as staging:
        for guid, name, relative in file_set_sources(item_info):
            stem = os.path.splitext(relative)[0]
            set_dirs.add(stem.split("/")[0].split("\\")[0])
            origin = os.path.join(source, stem)
            if not os.path.isdir(origin):
                raise PackageError(f"no directory {origin} for the file set {relative}")
            staged = os.path.join(staging, stem)
            shutil.copytree(origin, staged)
            for set_name, path in additions:
                if set_name == stem:
                    shutil.copy2(path, staged)
            target = os.path.join(out, relative)
            os.makedirs(os.path.dirname(target) or out, exist_ok=True)
            subprocess.run([sys.executable, PACKER, staged, "--guid", guid, "--name", name or stem, "-o", target],
                           check=True)
    for entry in os.listdir(source):
        path = os.path.join(source, entry)
        if entry not in set_dirs and os.path.isfile(path):
            shutil.copy2(path, out)
    shutil.copy2(helper, os.path.join(out, "TYInstallHelper.exe"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source")
    parser.add_argument("out")
    parser.add_argument("--helper", required=True)
    parser.add_argument("--add", action="append", default=[], metavar="SET=FILE")
    args = parser.parse_args()
    additions = []
    for item in args.add:
        if "=" not in item:
            parser.error(f"--add wants SET=FILE, not {item!r}")
        additions.append(tuple(item.split("=", 1)))
    try:
        build(args.source, args.out, args.helper, additions)
    except (PackageError, subprocess.CalledProcessError, OSError) as error:
        print(f"make_item_package: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
