#!/usr/bin/env bash
# Extraction by the archive code (under Wine) against cabextract (native), on the same archives in
# the same run, each extracting into a directory of its own on the same file system (a memory
# file system when there is one, so that disk write-back does not blur the figures):
#   fileset  about 100 MB of mixed files (bench/archive_input.py, text-like and random, small to
#            large) packed by tools/pack_fileset.py (MSZIP): FS_Archive Open + ExtractTo, against
#            cabextract on the archive's payload cabinet. Made once under the build directory.
#   lzx      the shared LZX cabinet large-files-cab.cab: C_CabExtractor on the mapped cabinet.
# Prints per archive the best and median times, the ratio archive code / cabextract (the goal is
# 1.0 or lower for the MSZIP file set) and the peak memory against the archive size. The archive code's time leaves out
# Wine's start-up; cabextract's is that of the whole process.
#   ZUL_BUILD=... bench/archive_bench.sh [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/scripts/wine-env"
runs=${1:-3}
extract=$ZUL_BUILD/win32/bin/archive_extract.exe
dir=$ZUL_BUILD/bench-archive
cabs=${ZUL_CAB_TESTDATA:-$root/tests/data/cabs}
lzx=$cabs/valid/large-files-cab.cab

[ -f "$extract" ] || { echo "archive_bench: build archive_extract first" >&2; exit 1; }
[ -f "$lzx" ] || { echo "archive_bench: $lzx is missing" >&2; exit 1; }
command -v cabextract >/dev/null || { echo "archive_bench: cabextract is not installed" >&2; exit 1; }

# The input, remade when its generator or the packer changes.
stamp=$(cat "$here/archive_input.py" "$root/tools/pack_fileset.py" | sha1sum | cut -d' ' -f1)
if [ "$(cat "$dir/stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "archive_bench: making the input under $dir"
  rm -rf "$dir"
  mkdir -p "$dir"
  python3 "$here/archive_input.py" "$dir/input"
  python3 "$root/tools/pack_fileset.py" "$dir/input" --guid "{5A1E0B3C-7D2F-4E6A-9B8C-0D1E2F3A4B5C}" \
    --name "Archive bench" -o "$dir/bench.FileSet" >/dev/null
  # The payload cabinet alone, for cabextract: the part after the second delimiter.
  python3 - "$dir/bench.FileSet" "$dir/payload.cab" <<'PY'
import sys
parts = open(sys.argv[1], "rb").read().split(b"ZUL_FILSET_DELIM_BEGIN_CAB_FILE")
assert len(parts) == 3 and parts[2].startswith(b"MSCF"), "unexpected archive layout"
open(sys.argv[2], "wb").write(parts[2])
PY
  echo "$stamp" > "$dir/stamp"
fi

started_harness=0
out=""
cleanup() {
  [ -n "$out" ] && rm -rf "$out"
  [ $started_harness = 1 ] && "$root/scripts/wine-harness" stop || true
}
trap cleanup EXIT
if [ ! -f "$ZUL_BUILD/harness/display" ]; then
  "$root/scripts/wine-harness" start
  started_harness=1
fi
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  out=$(mktemp -d /dev/shm/zul-archive-bench.XXXXXX)
else
  out=$(mktemp -d "$dir/out.XXXXXX")
fi

python3 - "$ZUL_WINE" "$extract" "$runs" "$out" \
  "fileset" "$dir/bench.FileSet" "$dir/payload.cab" \
  "lzx" "$lzx" "$lzx" <<'PY'
import os, shutil, statistics, subprocess, sys, time

wine, extract, runs, out = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
cases = [sys.argv[i:i + 3] for i in range(5, len(sys.argv), 3)]
MB = 1048576.0
GNU_TIME = "/usr/bin/time"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def ours(name, archive, memory=False):
    target = fresh(os.path.join(out, "ours"))
    kind = "fileset" if name == "fileset" else "cabinet"
    answer = subprocess.run([wine, extract, kind, windows_path(archive), windows_path(target)] +
                            (["memory"] if memory else []),
                            stdout=subprocess.PIPE, text=True, check=False).stdout.split()
    if len(answer) != 6 or answer[5] != "0":
        sys.exit("archive_bench: the archive code failed on %s: %s" % (name, " ".join(answer)))
    seconds, peak, start, private_peak, private_start = (float(x) for x in answer[:5])
    return seconds, peak - start, private_peak - private_start


def cabextract(cabinet):
    """Seconds and peak resident bytes (None without GNU time) of one cabextract run.

    The peak comes from GNU time: a child's maximum resident size starts at its parent's size
    when it was forked, and this script is larger than cabextract."""
    target = fresh(os.path.join(out, "cabextract"))
    report = os.path.join(out, "cabextract.rss")
    command = ["cabextract", "-q", "-d", target, cabinet]
    if os.access(GNU_TIME, os.X_OK):
        command = [GNU_TIME, "-f", "%M", "-o", report] + command
    begin = time.perf_counter()
    if subprocess.run(command).returncode != 0:
        sys.exit("archive_bench: cabextract failed on %s" % cabinet)
    seconds = time.perf_counter() - begin
    if not os.access(GNU_TIME, os.X_OK):
        return seconds, None
    with open(report) as handle:
        return seconds, float(handle.read().split()[-1]) * 1024.0


def size_text(count):
    return "%.1f MB" % (count / MB) if count >= MB else "%.1f KB" % (count / 1024.0)


for name, archive, cabinet in cases:
    mine, theirs = [], []
    for run in range(runs):
        mine.append(ours(name, archive))
        theirs.append(cabextract(cabinet))
        if run == 0 and subprocess.run(["diff", "-r", "-q", os.path.join(out, "ours"),
                                        os.path.join(out, "cabextract")]).returncode != 0:
            sys.exit("archive_bench: %s: the archive code's files differ from cabextract's" % name)
    # Memory is sampled in a run of its own: the sampling would slow the timed runs.
    sampled = ours(name, archive, memory=True)
    size = os.path.getsize(archive)
    extracted = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(os.path.join(out, "ours"))
                    for f in fs)
    for label, pick in (("best", min), ("median", statistics.median)):
        m, t = pick(x[0] for x in mine), pick(x[0] for x in theirs)
        print("archive %s (%s archive, %s extracted), %s of %d: cabextract %.3f s, archive code %.3f s, "
              "archive code/cabextract %.2f (goal 1.00 for MSZIP)"
              % (name, size_text(size), size_text(extracted), label, runs, t, m, m / t))
    peaks = [x[1] for x in theirs if x[1] is not None]
    print("archive %s memory: archive code peak working set +%s (the mapped archive's pages included), "
          "private bytes +%s; cabextract peak resident %s; archive %s"
          % (name, size_text(max(x[1] for x in mine + [sampled])), size_text(sampled[2]),
             size_text(max(peaks)) if peaks else "not measured (no GNU time)", size_text(size)))
PY
