#!/usr/bin/env python3
"""Makes an MSZIP cabinet with gcab for the host tests: two members whose data spans many data
blocks (so back-references cross block boundaries), beside the members' original bytes.
Usage: make_mszip_fixture.py OUTDIR"""
import os
import random
import subprocess
import sys

out = sys.argv[1]
src = os.path.join(out, "members")
os.makedirs(src, exist_ok=True)
rng = random.Random(1234)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(500)]
text = b" ".join(rng.choice(words) for _ in range(60000))
noise = bytes(rng.getrandbits(8) for _ in range(70000))
with open(os.path.join(src, "text.txt"), "wb") as f:
    f.write(text)
with open(os.path.join(src, "noise.bin"), "wb") as f:
    f.write(noise + text[:50000])
cab = os.path.join(out, "mszip.cab")
if os.path.exists(cab):
    os.remove(cab)
subprocess.run(["gcab", "-c", "-z", "-n", cab, "text.txt", "noise.bin"], cwd=src, check=True)
