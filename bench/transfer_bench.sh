#!/usr/bin/env bash
# Downloads under Wine against curl, all fetching the same 256 MB file from nginx on loopback into
# files in the same directory (a memory file system when there is one, so that disk write-back
# does not blur the figures), in the same run:
#   download  DownloadMgr::DownloadFile as the manager calls it for every file set (polite mode,
#             caching and resume on, no stored history)
#   engine    the HTTP engine's fast (not polite) path
# Prints each rate, the ratios to curl (goal 0.8 or better) and their spread. Then the throttle
# through DownloadFile on nginx's paced location: the rate in the throttled period against
# factor x the mean the download measured, for factors 0.25, 0.5 and 0.1 (goal within 10 %).
#   ZUL_BUILD=... bench/transfer_bench.sh [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/scripts/wine-env"
. "$here/bench_support.sh"
runs=${1:-3}
fetch=$ZUL_BUILD/win32/bin/transfer_fetch.exe
download=$ZUL_BUILD/win32/bin/download_fetch.exe
dir=$ZUL_BUILD/bench-transfer
size=$((256 * 1024 * 1024))

[ -f "$fetch" ] && [ -f "$download" ] || { echo "transfer_bench: build transfer_fetch and download_fetch first" >&2; exit 1; }
bench_random_file "$dir/html/big.bin" "$size"

out=$dir
cleanup() {
  "$root/tests/integration/nginx-fixture" stop "$dir" || true
  bench_harness_stop
  rm -f "$out/curl.out" "$out/engine.out"
  [ "$out" != "$dir" ] && rmdir "$out" 2>/dev/null || true
}
trap cleanup EXIT
"$root/tests/integration/nginx-fixture" start "$dir"
bench_harness_start
url="http://127.0.0.1:$(cat "$dir/nginx.port")/big.bin"
[ -d /dev/shm ] && [ -w /dev/shm ] && out=$(mktemp -d /dev/shm/zul-transfer-bench.XXXXXX)
winout="Z:$(echo "$out/engine.out" | tr / '\\')"

curl_rates=()
engine_rates=()
download_rates=()
for run in $(seq "$runs"); do
  read -r bytes seconds result < <("$ZUL_WINE" "$download" fetch "$url" "$winout" | tr -d '\r')
  [ "$result" = 0 ] && [ "$bytes" = "$size" ] || { echo "transfer_bench: DownloadFile result $result, $bytes bytes" >&2; exit 1; }
  download_rate=$(python3 -c "print($bytes / $seconds / 1048576)")
  if [ "$run" = 1 ]; then
    cmp -s "$dir/html/big.bin" "$out/engine.out" || { echo "transfer_bench: DownloadFile copy differs" >&2; exit 1; }
  fi
  read -r bytes seconds < <(curl -s -o "$out/curl.out" -w '%{size_download} %{time_total}\n' "$url")
  [ "$bytes" = "$size" ] || { echo "transfer_bench: curl got $bytes bytes" >&2; exit 1; }
  curl_rate=$(python3 -c "print($bytes / $seconds / 1048576)")
  read -r bytes seconds result < <("$ZUL_WINE" "$fetch" "$url" "$winout" | tr -d '\r')
  [ "$result" = 0 ] && [ "$bytes" = "$size" ] || { echo "transfer_bench: engine result $result, $bytes bytes" >&2; exit 1; }
  engine_rate=$(python3 -c "print($bytes / $seconds / 1048576)")
  if [ "$run" = 1 ]; then
    cmp -s "$dir/html/big.bin" "$out/engine.out" || { echo "transfer_bench: engine copy differs" >&2; exit 1; }
  fi
  printf 'run %d: curl %.1f MB/s, DownloadFile %.1f MB/s, engine fast path %.1f MB/s\n' "$run" "$curl_rate" "$download_rate" "$engine_rate"
  curl_rates+=("$curl_rate")
  engine_rates+=("$engine_rate")
  download_rates+=("$download_rate")
done
python3 - "${curl_rates[*]}" "${download_rates[*]}" "${engine_rates[*]}" <<'PY'
import statistics, sys
curl = [float(x) for x in sys.argv[1].split()]
for label, arg in (("DownloadFile", 2), ("engine fast path", 3)):
    ours = [float(x) for x in sys.argv[arg].split()]
    ratios = [o / c for o, c in zip(ours, curl)]
    print("transfer %s/curl over %d runs: median %.2f, min %.2f, max %.2f (goal 0.80); median rates: curl %.1f MB/s, %s %.1f MB/s"
          % (label, len(ratios), statistics.median(ratios), min(ratios), max(ratios),
             statistics.median(curl), label, statistics.median(ours)))
PY

# The throttle, through DownloadFile: nginx paces /paced/ at 256 KiB/s; each file lasts about 12 s
# of measuring and 8 s of throttling. The stored history chooses the factor: a steadier history
# than any measurement gives 0.25, a far higher historical rate 0.1 (on a quiet processor), and a
# history as fast but far less steady 0.5 while the processor is busy (a second process spins on
# one processor, a load of 50 % on two; without that load the factor would be 1.0, no throttle).
mkdir -p "$dir/html/paced"
pace=262144
burner=""
stop_burner() {
  if [ -n "$burner" ]; then kill "$burner" 2>/dev/null || true; fi
  burner=""
}
trap 'stop_burner; cleanup' EXIT
for case in "0.25 1.0 0.000001" "0.5 1.0 1e15" "0.1 1e15 99999"; do
  read -r factor mean variation <<<"$case"
  stop_burner
  if [ "$factor" = 0.5 ]; then
    python3 -c 'while True: pass' &
    burner=$!
  fi
  name=throttle-$factor.bin
  bytes=$(python3 -c "print(int($pace * 12 + $factor * $pace * 8))")
  [ "$(stat -c %s "$dir/html/paced/$name" 2>/dev/null || echo 0)" = "$bytes" ] || head -c "$bytes" /dev/urandom > "$dir/html/paced/$name"
  paced="http://127.0.0.1:$(cat "$dir/nginx.port")/paced/$name"
  read -r measured throttled < <("$ZUL_WINE" "$download" throttle "$paced" "$winout" "$mean" "$variation" | tr -d '\r')
  python3 -c "
f, m, t = $factor, $measured, $throttled
print('throttle factor %.2f through DownloadFile: measured mean %.0f B/s, throttled %.0f B/s, %.2f x factor x mean (goal 0.90-1.10)' % (f, m, t, t / (f * m)))"
done
stop_burner
