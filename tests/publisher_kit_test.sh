#!/usr/bin/env bash
# Runs every shell block of docs/publisher-kit.md, in order, in an empty directory, then checks
# what the blocks made: the packed archives, zulserver's answer and report, byte ranges from
# zulserver and nginx, and the item package.
#   publisher_kit_test.sh SOURCE_DIR SCRATCH_DIR HELPER
# HELPER is the built TYInstallHelper.exe that item packages carry; without it the test is
# skipped (exit 77).
set -euo pipefail
source_dir=$(cd "${1:?source directory}" && pwd)
scratch=${2:?scratch directory}
doc=$source_dir/docs/publisher-kit.md
helper=${3:?install helper}
[ -f "$helper" ] || { echo "publisher kit: $helper is not built" >&2; exit 77; }

rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"

# The fenced "sh" blocks, joined into one script that stops at the first failing command.
{
  echo 'set -euo pipefail'
  awk '/^```sh$/ { inside = 1; next } /^```$/ { inside = 0; next } inside { print }' "$doc"
} > kit.sh
[ "$(grep -c '^```sh$' "$doc")" -ge 7 ] || { echo "the kit lost its command blocks" >&2; exit 1; }

nginx_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cleanup() {
  [ -f server/pid ] && kill "$(cat server/pid)" 2>/dev/null || true
  [ -f nginx/nginx.pid ] && kill -QUIT "$(cat nginx/nginx.pid)" 2>/dev/null || true
}
trap cleanup EXIT

ZUL=$source_dir NGINX_PORT=$nginx_port HELPER=$helper bash kit.sh > kit.out 2>&1 || { cat kit.out; echo "a kit command failed" >&2; exit 1; }
cat kit.out

fail() { echo "publisher kit: $*" >&2; exit 1; }

# The archives: delimiter, description cabinet with the GUID and name, delimiter, payload cabinet
# with the source files.
python3 - catalogue/files/channel.FileSet catalogue/files/game.FileSet package/channel.FileSet package/game.FileSet <<'PY' || fail "bad archive"
import filecmp, os, subprocess, sys, tempfile
DELIM = b"ZUL_FILSET_DELIM_BEGIN_CAB_FILE"
expected = {"channel.FileSet": ("{5A6B7C8D-0001-4E5F-8A9B-0C1D2E3F4A01}", "Example Channel Files", "channel"),
            "game.FileSet": ("{5A6B7C8D-0002-4E5F-8A9B-0C1D2E3F4A02}", "Example Game", "game")}
def unpack(cabinet, directory):
    path = os.path.join(directory, "x.cab")
    open(path, "wb").write(cabinet)
    subprocess.run(["gcab", "-x", "-C", directory, path], check=True, capture_output=True)
    os.remove(path)
for path in sys.argv[1:]:
    parts = open(path, "rb").read().split(DELIM)
    assert len(parts) == 3 and parts[0] == b"", path
    guid, name, source = expected[os.path.basename(path)]
    with tempfile.TemporaryDirectory() as info, tempfile.TemporaryDirectory() as payload:
        unpack(parts[1], info)
        description = open(os.path.join(info, "FS_ArchiveInfo.txt"), encoding="cp1252").read().splitlines()
        assert "GUID=" + guid in description and "Name=" + name in description, description
        unpack(parts[2], payload)
        source = os.path.join("catalogue", "sources", source)
        compare = filecmp.dircmp(source, payload)
        assert not compare.left_only and not compare.right_only and not compare.diff_files, path
        for sub in compare.subdirs.values():
            assert not sub.left_only and not sub.right_only and not sub.diff_files, path
PY

# The blocks' own output: zulserver's answer to a new machine, its report, and status 206 from
# both servers.
grep -qx 'CheckinResult' kit.out || fail "the check-in answer was not shown"
grep -q '^Machines: 1 seen' kit.out || fail "the report did not count the machine"
[ "$(wc -c < server/publisher-key.txt)" -eq 89 ] || fail "keygen did not print the public key"
[ "$(grep -cx '206' kit.out)" -eq 2 ] || fail "a server did not honour the byte range"

# Both servers are gone again.
[ ! -f server/pid ] || fail "zulserver was not stopped"
for _ in $(seq 30); do [ -f nginx/nginx.pid ] || break; sleep 0.1; done
[ ! -f nginx/nginx.pid ] || fail "nginx was not stopped"

# The item package: its archives (checked above), the page, the helper, and an "ItemInfo.dat"
# whose blocks are well formed and name archives that lie beside it.
for name in ItemInfo.dat about.htm TYInstallHelper.exe; do [ -f "package/$name" ] || fail "package/$name is missing"; done
cmp -s "$helper" package/TYInstallHelper.exe || fail "the package carries another helper"
python3 - package <<'PY' || fail "bad item package"
import os, re, sys
pkg = sys.argv[1]
text = open(os.path.join(pkg, "ItemInfo.dat"), encoding="cp1252").read()
blocks = re.findall(r"(?ms)^\s*(\w+)\s*\{(.*?)^\}", text)
assert [b[0] for b in blocks] == ["FileSet", "FileSet", "Channel", "Item"], blocks
for kind, body in blocks:
    entries = dict(line.strip().split("=", 1) for line in body.strip().splitlines())
    if kind == "FileSet":
        assert os.path.isfile(os.path.join(pkg, entries["SourceURL"])), entries
PY
echo "publisher kit: all commands ran"
