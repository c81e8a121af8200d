#!/usr/bin/env python3
"""Builds the archive tests' fixtures (host side, before the Windows tests run).

    make_test_fixtures.py CABS_DIR PACKER OUT_DIR

OUT_DIR/expected/<cabinet stem>/   what cabextract extracts from each CABS_DIR/valid/*.cab
OUT_DIR/sample/ + sample.FileSet   a directory tree and its archive made by the packer
OUT_DIR/edge/*.FileSet             archives with one fault each
OUT_DIR/raw/*.cab                  hand-made cabinets: unsafe member names, members continued
                                   from or into another cabinet
"""
import os
import random
import shutil
import struct
import subprocess
import sys

DELIMITER = b"ZUL_FILSET_DELIM_BEGIN_CAB_FILE"
SAMPLE_GUID = "{5A1E0F3C-7B2D-4E6A-9C81-0D2F3B4A5C6E}"
SAMPLE_NAME = "Sample File Set"
SAMPLE_FLAGS = 6
# A DOS date and time: 2003-07-14 12:34:56.
DOS_DATE = ((2003 - 1980) << 9) | (7 << 5) | 14
DOS_TIME = (12 << 11) | (34 << 5) | (56 // 2)
CONTINUED_FROM_PREV = 0xFFFD
CONTINUED_TO_NEXT = 0xFFFE


def run(args, cwd=None):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def expected_extractions(cabs, out):
    for name in sorted(os.listdir(os.path.join(cabs, "valid"))):
        if name.endswith(".cab"):
            target = os.path.join(out, "expected", name[:-4])
            os.makedirs(target)
            run(["cabextract", "-q", "-d", target, os.path.join(cabs, "valid", name)])


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as handle:
        handle.write(data)


def sample_tree(root):
    rng = random.Random(20240607)
    write(os.path.join(root, "readme.txt"), b"A sample file set.\r\n" * 40)
    write(os.path.join(root, "empty.dat"), b"")
    write(os.path.join(root, "bin", "random.bin"), bytes(rng.getrandbits(8) for _ in range(70000)))
    write(os.path.join(root, "bin", "deep", "er", "text.cfg"), b"key=value\n" * 5000)
    write(os.path.join(root, "mixed.dat"),
          b"".join(bytes(rng.getrandbits(8) for _ in range(512)) + b"\0" * 4096 for _ in range(40)))


def gcab(cabinet, directory, members):
    run(["gcab", "-c", "-z", cabinet, *members], cwd=directory)
    with open(cabinet, "rb") as handle:
        return handle.read()


def description_cabinet(work, text):
    os.makedirs(work, exist_ok=True)
    write(os.path.join(work, "FS_ArchiveInfo.txt"), text)
    return gcab(os.path.join(work, "description.cab"), work, ["FS_ArchiveInfo.txt"])


def edge_archives(cabs, out):
    edge = os.path.join(out, "edge")
    os.makedirs(edge)
    with open(os.path.join(cabs, "valid", "simple.cab"), "rb") as handle:
        simple = handle.read()
    good = description_cabinet(os.path.join(out, "work", "good"),
                               b"GUID={11111111-2222-3333-4444-555555555555}\r\nName=Edge\r\nNumFiles=2\r\n")
    bad_number = description_cabinet(os.path.join(out, "work", "bad"),
                                     b"GUID={11111111-2222-3333-4444-555555555555}\r\nNumFiles=two\r\n")
    archives = {
        "no_delimiter": b"prefix only" + simple,
        "one_cabinet": DELIMITER + good,
        "not_mscf": DELIMITER + b"MSCX" + simple[4:] + DELIMITER + simple,
        "payload_not_mscf": DELIMITER + good + DELIMITER + b"PK\x03\x04 not a cabinet",
        "no_description_file": b"leading junk" + DELIMITER + simple + DELIMITER + simple,
        "bad_numfiles": DELIMITER + bad_number + DELIMITER + simple,
        "three_delimiters": DELIMITER + good + DELIMITER + simple + DELIMITER + b"ignored tail",
        "corrupt_payload": DELIMITER + good + DELIMITER + simple[:60],
        "empty": b"",
    }
    for name, data in archives.items():
        write(os.path.join(edge, name + ".FileSet"), data)


def raw_cabinet(files, data, prev=None, next_=None):
    """A cabinet with one uncompressed folder. files: (name, size, offset, folder index)."""
    flags = (1 if prev else 0) | (2 if next_ else 0)
    names = b""
    if prev:
        names += prev + b"\0disk\0"
    if next_:
        names += next_ + b"\0disk\0"
    header_size = 36 + len(names)
    folder_offset = header_size
    files_offset = folder_offset + 8
    entries = b"".join(struct.pack("<IIHHHH", size, offset, index, DOS_DATE, DOS_TIME, 0x20) + name + b"\0"
                       for name, size, offset, index in files)
    data_offset = files_offset + len(entries)
    blocks = b"".join(struct.pack("<IHH", 0, len(chunk), uncompressed) + chunk for chunk, uncompressed in data)
    total = data_offset + len(blocks)
    header = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, total, 0, files_offset, 0, 3, 1, 1, len(files), flags,
                         0x1234, 1 if prev else 0)
    folder = struct.pack("<IHH", data_offset, len(data), 0)
    return header + names + folder + entries + blocks


def raw_cabinets(out):
    raw = os.path.join(out, "raw")
    os.makedirs(raw)
    unsafe = [b"first.txt", b"..\\evil1.txt", b"../evil2.txt", b"sub/../../evil3.txt", b"C:\\evil4.txt",
              b"\\\\server\\share\\evil5.txt", b"ok\\..\\..\\evil6.txt", b"CON", b"last.txt"]
    content = b"0123456789"
    files = [(name, len(content), i * len(content), 0) for i, name in enumerate(unsafe)]
    write(os.path.join(raw, "unsafe_names.cab"), raw_cabinet(files, [(content * len(unsafe), len(content) * len(unsafe))]))

    # A member continued from an earlier cabinet, after one that is complete.
    files = [(b"whole.txt", 10, 0, 0), (b"partial.txt", 10, 0, CONTINUED_FROM_PREV)]
    write(os.path.join(raw, "continued_from_prev.cab"),
          raw_cabinet(files, [(content, 10)], prev=b"previous.cab"))

    # A member continued into a next cabinet whose name is a memory pseudo-path of a block that
    # does not exist: following it would read from an address the cabinet chose.
    files = [(b"whole.txt", 10, 0, 0), (b"spanning.txt", 20, 10, CONTINUED_TO_NEXT)]
    write(os.path.join(raw, "continued_to_next.cab"),
          raw_cabinet(files, [(content, 10), (content, 0)], next_=b"mem:/00000010:00001000"))

    # A member that announces more data than its folder holds.
    files = [(b"short.txt", 100, 0, 0)]
    write(os.path.join(raw, "short_member.cab"), raw_cabinet(files, [(content, 10)]))


def unsafe_payload_archive(out):
    with open(os.path.join(out, "raw", "unsafe_names.cab"), "rb") as handle:
        unsafe = handle.read()
    good = description_cabinet(os.path.join(out, "work", "unsafe"), b"Name=Unsafe\r\n")
    write(os.path.join(out, "edge", "unsafe_payload.FileSet"), DELIMITER + good + DELIMITER + unsafe)


def main(argv):
    cabs, packer, out = argv
    if os.path.exists(out):
        shutil.rmtree(out)
    os.makedirs(out)
    expected_extractions(cabs, out)
    sample = os.path.join(out, "sample")
    sample_tree(sample)
    run([sys.executable, packer, sample, "--guid", SAMPLE_GUID.lower().strip("{}"), "--name", SAMPLE_NAME,
         "--flags", str(SAMPLE_FLAGS), "-o", os.path.join(out, "sample.FileSet")])
    edge_archives(cabs, out)
    raw_cabinets(out)
    unsafe_payload_archive(out)
    shutil.rmtree(os.path.join(out, "work"))
    write(os.path.join(out, "stamp"), b"")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
