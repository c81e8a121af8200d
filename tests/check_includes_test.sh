#!/usr/bin/env bash
# The layer check passes on the tree and fails on each kind of wrong include planted in a copy.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
check="$root/scripts/check-includes"

"$check" "$root" >/dev/null || { echo "the tree itself fails the check"; exit 1; }

copy_tree() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"
  (cd "$root" && find . -path ./build -prune -o -path ./.git -prune -o -type f \
     \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' -o -name '*.in' -o -name '*.idl' -o -name CMakeLists.txt \) \
     -print0 | tar --null -T - -cf -) | tar -xf - -C "$work/tree"
}

expect_refused() {  # $1 file, $2 line planted at its top, $3 what the check must say
  copy_tree
  { echo "$2"; cat "$work/tree/$1"; } > "$work/tree/$1.new" && mv "$work/tree/$1.new" "$work/tree/$1"
  local out
  if out=$("$check" "$work/tree"); then echo "not refused: $2 in $1"; exit 1; fi
  grep -q "$3" <<<"$out" || { echo "refused without saying '$3': $out"; exit 1; }
}

expect_refused common/PathText.cpp '#include "records/GuidText.h"' 'is above common/'
expect_refused frontend/MenuText.cpp '#include "installhelper/InstallOptions.h"' 'never include each other'
expect_refused checkin/CheckinRequest.cpp '#include "manager/ManagerDirectory.h"' 'share a layer'
expect_refused records/GuidText.cpp '#include "tests/integration/transfer_test_support.h"' 'above every layer'
expect_refused manager/BlockValue.cpp '#include "GuidText.h"' 'without its folder'
copy_tree
mkdir -p "$work/tree/extras" && echo 'int x;' > "$work/tree/extras/x.cpp"
if "$check" "$work/tree" >/dev/null; then echo "an unknown folder with sources passed"; exit 1; fi
echo "check-includes: every planted fault refused"
