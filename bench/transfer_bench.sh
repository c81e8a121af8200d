#!/usr/bin/env bash
# Throughput of the HTTP engine (polite mode off, under Wine) against curl, both downloading the
# same 256 MB file from nginx on loopback into files in the same directory (a memory file
# system when there is one, so that disk write-back does not blur the figures), in the same run.
# Prints both rates and the ratio engine / curl (the goal is 0.8 or better).
#   ZUL_BUILD=... bench/transfer_bench.sh [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/scripts/wine-env"
runs=${1:-3}
fetch=$ZUL_BUILD/win32/bin/transfer_fetch.exe
dir=$ZUL_BUILD/bench-transfer
size=$((256 * 1024 * 1024))

[ -x "$fetch" ] || [ -f "$fetch" ] || { echo "transfer_bench: build transfer_fetch first" >&2; exit 1; }
mkdir -p "$dir/html"
if [ "$(stat -c %s "$dir/html/big.bin" 2>/dev/null || echo 0)" != "$size" ]; then
  head -c "$size" /dev/urandom > "$dir/html/big.bin"
fi

started_harness=0
out=$dir
cleanup() {
  "$root/tests/integration/nginx-fixture" stop "$dir" || true
  [ $started_harness = 1 ] && "$root/scripts/wine-harness" stop || true
  rm -f "$out/curl.out" "$out/engine.out"
  [ "$out" != "$dir" ] && rmdir "$out" 2>/dev/null || true
}
trap cleanup EXIT
"$root/tests/integration/nginx-fixture" start "$dir"
if [ ! -f "$ZUL_BUILD/harness/display" ]; then
  "$root/scripts/wine-harness" start
  started_harness=1
fi
url="http://127.0.0.1:$(cat "$dir/nginx.port")/big.bin"
[ -d /dev/shm ] && [ -w /dev/shm ] && out=$(mktemp -d /dev/shm/zul-transfer-bench.XXXXXX)
winout="Z:$(echo "$out/engine.out" | tr / '\\')"

curl_rates=()
engine_rates=()
for run in $(seq "$runs"); do
  read -r bytes seconds < <(curl -s -o "$out/curl.out" -w '%{size_download} %{time_total}\n' "$url")
  [ "$bytes" = "$size" ] || { echo "transfer_bench: curl got $bytes bytes" >&2; exit 1; }
  curl_rate=$(python3 -c "print($bytes / $seconds / 1048576)")
  read -r bytes seconds result < <("$ZUL_WINE" "$fetch" "$url" "$winout" | tr -d '\r')
  [ "$result" = 0 ] && [ "$bytes" = "$size" ] || { echo "transfer_bench: engine result $result, $bytes bytes" >&2; exit 1; }
  engine_rate=$(python3 -c "print($bytes / $seconds / 1048576)")
  if [ "$run" = 1 ]; then
    cmp -s "$dir/html/big.bin" "$out/engine.out" || { echo "transfer_bench: engine copy differs" >&2; exit 1; }
  fi
  printf 'run %d: curl %.1f MB/s, engine %.1f MB/s\n' "$run" "$curl_rate" "$engine_rate"
  curl_rates+=("$curl_rate")
  engine_rates+=("$engine_rate")
done
python3 - "${curl_rates[*]}" "${engine_rates[*]}" <<'PY'
import statistics, sys
curl = [float(x) for x in sys.argv[1].split()]
engine = [float(x) for x in sys.argv[2].split()]
for name, pick in (("best", max), ("median", statistics.median)):
    c, e = pick(curl), pick(engine)
    print("transfer throughput, %s of %d: curl %.1f MB/s, engine %.1f MB/s, engine/curl %.2f (goal 0.80)"
          % (name, len(curl), c, e, e / c))
PY
