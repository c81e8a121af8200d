#!/usr/bin/env python3
"""Writes the payload of bench/archive_bench.sh: about 100 MB of files, the same on every run.

Half of the files are text-like (words from a small vocabulary, which compress well), half are
random bytes (which do not); there are many small files, a few dozen of medium size and some
large ones, in a few sub-directories.

    archive_input.py DIRECTORY
"""
import os
import random
import sys

SEED = 20240101
SMALL = (300, 1, 16 * 1024)
MEDIUM = (60, 64 * 1024, 1024 * 1024)
LARGE = (10, 4 * 1024 * 1024, 10 * 1024 * 1024)
# Text files are cut from one pool of generated text (quicker than writing each anew); the pool
# is far larger than the compressor's window, so the repetition does not help it.
TEXT_POOL = 6 * 1024 * 1024


def vocabulary(rng):
    letters = "abcdefghijklmnopqrstuvwxyz"
    words = ["".join(rng.choice(letters) for _ in range(rng.randint(2, 10))) for _ in range(3000)]
    # Zipf-like frequencies, as in natural text.
    weights = [1.0 / (rank + 1) for rank in range(len(words))]
    return words, weights


def text_pool(rng, words, weights, size):
    chunks = []
    length = 0
    while length < size:
        line = " ".join(rng.choices(words, weights, k=12)) + "\r\n"
        chunks.append(line)
        length += len(line)
    return "".join(chunks).encode("ascii")[:size]


def text_bytes(rng, pool, size):
    """size bytes of the text pool from a random place, wrapping around at its end."""
    start = rng.randrange(len(pool))
    data = (pool[start:] + pool[:start]) * (size // len(pool) + 1)
    return data[:size]


def main(directory):
    rng = random.Random(SEED)
    words, weights = vocabulary(rng)
    pool = text_pool(rng, words, weights, TEXT_POOL)
    number = 0
    for kind, (count, low, high) in (("small", SMALL), ("medium", MEDIUM), ("large", LARGE)):
        for _ in range(count):
            size = rng.randint(low, high)
            text = number % 2 == 0
            folder = os.path.join(directory, kind, "text" if text else "binary")
            os.makedirs(folder, exist_ok=True)
            data = text_bytes(rng, pool, size) if text else rng.randbytes(size)
            name = "%s-%04d.%s" % (kind, number, "txt" if text else "bin")
            with open(os.path.join(folder, name), "wb") as handle:
                handle.write(data)
            number += 1
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: archive_input.py DIRECTORY", file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
