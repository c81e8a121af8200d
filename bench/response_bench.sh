#!/usr/bin/env bash
# Response processing of the channel manager under Wine: ProcessResponseData over answers of
# 100, 1,000 and 5,000 Channel blocks and over one of 100 default-type items whose install
# program exits at once (bench/response_processing.cpp). Prints the time per block and the
# ratio of the per-block times of the largest and the smallest channel answer (1.0 = linear).
# Runs in a Wine prefix of its own under the build directory, so that it touches no other
# run's prefix; the prefix and its processes are removed on every exit.
#   ZUL_BUILD=... bench/response_bench.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
ZUL_BUILD=${ZUL_BUILD:-$root/build}
bin=$ZUL_BUILD/win32/bin
program=$bin/response_processing.exe
installer=$bin/tools/TestInstall.exe
state=$ZUL_BUILD/bench-response

for file in "$program" "$bin/ZULMan.exe" "$installer"; do
  [ -f "$file" ] || { echo "response_bench: build response_processing first ($file is missing)" >&2; exit 1; }
done

harness() { ZUL_BUILD=$state "$root/scripts/wine-harness" "$@"; }
cleanup() {
  harness stop >/dev/null 2>&1 || true
  rm -rf "$state"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

rm -rf "$state"
mkdir -p "$state/installer" "$state/work"
cp "$installer" "$state/installer/TestInstall.exe"
python3 "$root/tools/pack_fileset.py" "$state/installer" --guid "{8B1A44C0-7A7A-4C39-9D57-000000000000}" \
  --name "Bench installer" -o "$state/work/installer.FileSet" >/dev/null

harness start
windows() { echo "Z:$(echo "$1" | tr / '\\')"; }
# WinInet under Wine would send requests through a proxy named in the environment.
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY
# The display is that of this run's harness.
unset DISPLAY
ZUL_BUILD=$state "$root/scripts/wine-run" "$bin/ZULMan.exe" -RegServer
ZUL_BUILD=$state "$root/scripts/wine-run" "$program" "$(windows "$state/work/manager")" \
  "$(windows "$state/work/installer.FileSet")" | tr -d '\r'
