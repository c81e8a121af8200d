#!/usr/bin/env bash
# What transport security costs, side by side in one run:
#   https     DownloadMgr::DownloadFile over https against curl --cacert, the same 256 MB file
#             from nginx with TLS on loopback (the tls-fixture's test CA, added to the prefix's
#             machine root store); goal 0.8 of curl or better
#   sha256    the client's SHA-256 check of a 256 MB file set (CNG, streamed) against sha256sum
#             of the same file; goal at most 1.2 x its time
#   signature the check of a signed check-in answer (hash, key import, verification) per check-in
# Each figure with its runs and spread.
#   ZUL_BUILD=... bench/security_bench.sh [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/scripts/wine-env"
. "$here/bench_support.sh"
runs=${1:-3}
download=$ZUL_BUILD/win32/bin/download_fetch.exe
check=$ZUL_BUILD/win32/bin/security_check.exe
addroot=$ZUL_BUILD/win32/bin/tools/AddRootCert.exe
dir=$ZUL_BUILD/bench-security
size=$((256 * 1024 * 1024))

for tool in "$download" "$check" "$addroot"; do
  [ -f "$tool" ] || { echo "security_bench: build download_fetch, security_check and zul_add_root_cert first" >&2; exit 1; }
done
bench_random_file "$dir/html/big.bin" "$size"

out=$dir
cleanup() {
  "$root/tests/integration/tls-fixture" stop "$dir" || true
  bench_harness_stop
  rm -f "$out/curl.out" "$out/ours.out"
  [ "$out" != "$dir" ] && rmdir "$out" 2>/dev/null || true
}
trap cleanup EXIT
"$root/tests/integration/tls-fixture" start "$dir"
bench_harness_start
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
"$ZUL_WINE" "$addroot" "$(winpath "$dir/ca.pem")" >/dev/null
url="https://localhost:$(cat "$dir/https.port")/big.bin"
[ -d /dev/shm ] && [ -w /dev/shm ] && out=$(mktemp -d /dev/shm/zul-security-bench.XXXXXX)

curl_rates=() download_rates=() sum_times=() check_times=()
for run in $(seq "$runs"); do
  read -r bytes seconds result < <("$ZUL_WINE" "$download" fetch "$url" "$(winpath "$out/ours.out")" | tr -d '\r')
  [ "$result" = 0 ] && [ "$bytes" = "$size" ] || { echo "security_bench: DownloadFile over https: result $result, $bytes bytes" >&2; exit 1; }
  download_rates+=("$(python3 -c "print($bytes / $seconds / 1048576)")")
  read -r bytes seconds < <(curl -s --cacert "$dir/ca.pem" -o "$out/curl.out" -w '%{size_download} %{time_total}\n' "$url")
  [ "$bytes" = "$size" ] || { echo "security_bench: curl got $bytes bytes" >&2; exit 1; }
  curl_rates+=("$(python3 -c "print($bytes / $seconds / 1048576)")")

  read -r seconds digest < <("$ZUL_WINE" "$check" hash "$(winpath "$out/ours.out")" | tr -d '\r')
  check_times+=("$seconds")
  start=$(date +%s.%N)
  expected=$(sha256sum "$out/curl.out" | cut -d' ' -f1)
  sum_times+=("$(python3 -c "print($(date +%s.%N) - $start)")")
  [ "$digest" = "$expected" ] || { echo "security_bench: digests differ ($digest, $expected)" >&2; exit 1; }
  printf 'run %d: https curl %.1f MB/s, DownloadFile %.1f MB/s; sha256sum %.2f s, check %.2f s\n' "$run" \
    "${curl_rates[-1]}" "${download_rates[-1]}" "${sum_times[-1]}" "${check_times[-1]}"
done

# A signed answer of a typical size (4 KB), checked as a check-in does.
nonce=00112233445566778899AABBCCDDEEFF
python3 -c "import sys; sys.stdout.write('CheckinResult\r\n{\r\nStatus=ok\r\nInterval=1440\r\n}\r\n' + 'Item\r\n{\r\nName=x\r\n}\r\n' * 180)" > "$dir/answer.txt"
key=$(openssl ec -in "$dir/publisher.pem" -pubout -outform DER 2>/dev/null | tail -c 65 | base64 -w0)
signature=$(python3 - "$dir/publisher.pem" "$nonce" "$dir/answer.txt" <<'PY'
import base64, sys
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, utils
key = serialization.load_pem_private_key(open(sys.argv[1], "rb").read(), password=None)
der = key.sign(sys.argv[2].encode() + b"\n" + open(sys.argv[3], "rb").read(), ec.ECDSA(hashes.SHA256()))
r, s = utils.decode_dss_signature(der)
print(base64.b64encode(r.to_bytes(32, "big") + s.to_bytes(32, "big")).decode())
PY
)
verify_times=()
for run in $(seq "$runs"); do
  read -r per valid < <("$ZUL_WINE" "$check" verify "$key" "$nonce" "$(winpath "$dir/answer.txt")" "$signature" 200 | tr -d '\r')
  [ "$valid" = 1 ] || { echo "security_bench: the signature did not verify" >&2; exit 1; }
  verify_times+=("$per")
done

python3 - "${curl_rates[*]}" "${download_rates[*]}" "${sum_times[*]}" "${check_times[*]}" "${verify_times[*]}" <<'PY'
import statistics, sys
curl, ours, sums, checks, verifies = ([float(x) for x in arg.split()] for arg in sys.argv[1:6])
ratios = [o / c for o, c in zip(ours, curl)]
print("https DownloadFile/curl over %d runs: median %.2f, min %.2f, max %.2f (goal 0.80); median rates: curl %.1f MB/s, DownloadFile %.1f MB/s"
      % (len(ratios), statistics.median(ratios), min(ratios), max(ratios), statistics.median(curl), statistics.median(ours)))
times = [c / s for c, s in zip(checks, sums)]
print("sha256 check/sha256sum time over %d runs: median %.2f, min %.2f, max %.2f (goal 1.20 or less); median times: sha256sum %.2f s, check %.2f s"
      % (len(times), statistics.median(times), min(times), max(times), statistics.median(sums), statistics.median(checks)))
print("signature check per check-in (4 KB answer) over %d runs of 200: median %.3f ms, min %.3f ms, max %.3f ms"
      % (len(verifies), 1000 * statistics.median(verifies), 1000 * min(verifies), 1000 * max(verifies)))
PY
