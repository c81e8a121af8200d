#!/usr/bin/env python3
"""Packs a directory into a ".FileSet" archive.

The archive is the delimiter, a description cabinet holding "FS_ArchiveInfo.txt", the
delimiter again and the payload cabinet with every file of the directory (sub-directories
kept in the member names). Both cabinets are made with gcab, MSZIP-compressed unless --store
asks for the payload's files to be stored as they are.

    pack_fileset.py DIRECTORY --guid GUID --name NAME [--flags N] [--store] -o OUT.FileSet

It prints the archive's size and, on a line of its own, its SHA-256 as the FileSet block's
"SHA256=" line, ready to go into a check-in answer.
"""
import argparse
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

DELIMITER = b"ZUL_FILSET_DELIM_BEGIN_CAB_FILE"
DESCRIPTION_NAME = "FS_ArchiveInfo.txt"
INT32_MAX = 2**31 - 1
GUID_PATTERN = re.compile(r"^\{?([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})\}?$")


class PackError(Exception):
    pass


def canonical_guid(text):
    """The GUID in braces with upper-case digits; braces are optional on input."""
    match = GUID_PATTERN.match(text.strip())
    if not match:
        raise PackError(f"not a GUID: {text!r}")
    return "{" + match.group(1).upper() + "}"


def payload_files(directory):
    """Every regular file under directory as a sorted list of "/"-separated relative paths."""
    files = []
    for root, dirs, names in os.walk(directory):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(root, name)
            if os.path.isfile(path) and not os.path.islink(path):
                files.append(os.path.relpath(path, directory).replace(os.sep, "/"))
    return files


def description_text(guid, name, flags, files, total_bytes):
    lines = [f"GUID={guid}", f"Name={name}", f"Flags={flags}", f"NumFiles={len(files)}",
             f"TotalBytes={total_bytes}"]
    try:
        # The reading programs take the text in the Windows code page.
        return ("\r\n".join(lines) + "\r\n").encode("cp1252")
    except UnicodeEncodeError:
        raise PackError("the name has characters outside the Windows code page 1252") from None


def make_cabinet(cabinet, directory, members, compress=True):
    """gcab -c [-z]: cabinet of members (MSZIP-compressed or stored), named relative to directory."""
    result = subprocess.run(["gcab", "-c", *(["-z"] if compress else []), cabinet, *members], cwd=directory,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        raise PackError(f"gcab failed: {result.stderr.strip()}")
    with open(cabinet, "rb") as handle:
        data = handle.read()
    if not data.startswith(b"MSCF"):
        raise PackError(f"gcab wrote no cabinet: {cabinet}")
    return data


def pack(directory, guid, name, flags, output, store=False):
    if not os.path.isdir(directory):
        raise PackError(f"not a directory: {directory}")
    if any(c in name for c in "\r\n"):
        raise PackError("the name must be one line")
    files = payload_files(directory)
    if not files:
        raise PackError(f"no files in {directory}")
    total_bytes = sum(os.path.getsize(os.path.join(directory, f)) for f in files)
    if total_bytes > INT32_MAX or len(files) > INT32_MAX:
        raise PackError("the payload is too large for the description's 32-bit numbers")

    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, DESCRIPTION_NAME), "wb") as handle:
            handle.write(description_text(canonical_guid(guid), name, flags, files, total_bytes))
        description = make_cabinet(os.path.join(work, "description.cab"), work, [DESCRIPTION_NAME])
        payload = make_cabinet(os.path.join(work, "payload.cab"), os.path.abspath(directory), files,
                               compress=not store)

    # Readers take each cabinet's length from its header, so a cabinet may hold the delimiter
    # text (a file set carrying the manager does), but the header must tell the truth.
    for cabinet in (description, payload):
        if len(cabinet) < 12 or struct.unpack_from("<I", cabinet, 8)[0] != len(cabinet):
            raise PackError("gcab wrote a cabinet whose header size is not its length")

    partial = output + ".part"
    with open(partial, "wb") as handle:
        handle.write(DELIMITER + description + DELIMITER + payload)
    os.replace(partial, output)
    return len(files), total_bytes


def main(argv):
    parser = argparse.ArgumentParser(description="Pack a directory into a .FileSet archive.")
    parser.add_argument("directory")
    parser.add_argument("--guid", required=True, help="GUID of the file set")
    parser.add_argument("--name", required=True, help="display name of the file set")
    parser.add_argument("--flags", type=int, default=0, help="flags of the file set (default 0)")
    parser.add_argument("--store", action="store_true", help="store the payload's files uncompressed")
    parser.add_argument("-o", "--output", required=True, help="the .FileSet file to write")
    args = parser.parse_args(argv)
    if shutil.which("gcab") is None:
        print("pack_fileset: gcab is not installed", file=sys.stderr)
        return 2
    try:
        count, total = pack(args.directory, args.guid, args.name, args.flags, args.output, args.store)
    except PackError as error:
        print(f"pack_fileset: {error}", file=sys.stderr)
        return 1
    print(f"{args.output}: {count} files, {total} bytes")
    print(f"SHA256={file_sha256(args.output)}")
    return 0


def file_sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as handle:
        for piece in iter(lambda: handle.read(1 << 20), b""):
            digest.update(piece)
    return digest.hexdigest()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
