#!/usr/bin/env bash
# zulserver check-ins per second and latency under wrk (bench/server_checkin.lua: 100,000
# machines, half the check-ins reporting an install), side by side in one run, on this machine
# with the generator included:
#   - the embedded store (one serve process);
#   - PostgreSQL (a private cluster) with two serve processes behind nginx;
#   - the ceiling: nginx answering the same answer text as a static file.
# Each is measured RUNS times, interleaved; the table gives the median and the spread, and the
# installs each store recorded against the generator's own tally.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
zulserver=${ZULSERVER:-$root/build/host/server/zulserver}  # another build may be measured the same way
runs=${SERVER_BENCH_RUNS:-3}
seconds=${SERVER_BENCH_SECONDS:-5}
wrk_threads=2
connections=32
for tool in wrk nginx psql; do command -v "$tool" >/dev/null || { echo "server bench: $tool missing (scripts/bootstrap)"; exit 1; }; done
[ -x "$zulserver" ] || { echo "server bench: $zulserver not built"; exit 1; }

work=$(mktemp -d /tmp/zulserver-bench-XXXXXX)
chmod 755 "$work"
cleanup() {
  for pidfile in "$work"/*.log.serve-pid; do [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null; done
  [ -f "$work/nginx.pid" ] && kill -QUIT "$(cat "$work/nginx.pid")" 2>/dev/null
  "$root/tests/server/pg-fixture" stop "$work/pg" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
serve() {  # log file, arguments...; prints the port (run in a subshell: the pid goes to a file)
  local log=$1; shift
  "$zulserver" serve --listen 127.0.0.1:0 --threads 4 "$@" >"$log" 2>&1 &
  echo $! > "$log.serve-pid"
  for _ in $(seq 100); do grep -q 'listening on' "$log" && break; sleep 0.05; done
  sed -n 's/.*listening on .*:\([0-9]*\)$/\1/p' "$log"
}

# The demo catalogue, its archives named relatively (nginx would serve them).
mkdir -p "$work/embedded/files" "$work/shared/files" "$work/static/zulm"
sed 's|SourceURL=http://127.0.0.1:@PORT@/files/|SourceURL=|; s/@PORT@/8080/g; s/@INSTALLER@/setup.exe/' \
  "$root/tools/demo/catalogue.txt" > "$work/catalogue.txt"
"$zulserver" import --data "$work/embedded" "$work/catalogue.txt" >/dev/null || exit 1
embedded_port=$(serve "$work/embedded.log" --data "$work/embedded" --files-url http://files.invalid/files/)

# Commits are flushed to disk as the embedded store's are (the tests' cluster skips that).
PG_FSYNC=on "$root/tests/server/pg-fixture" start "$work/pg" >/dev/null || exit 1
pg_url=$(cat "$work/pg/url")
psql "$pg_url" -q -c 'CREATE DATABASE bench' || exit 1
pg_url=${pg_url%/*}/bench
"$zulserver" import --data "$work/shared" --db "$pg_url" "$work/catalogue.txt" >/dev/null || exit 1
pg_a=$(serve "$work/pg-a.log" --data "$work/shared" --db "$pg_url" --files-url http://files.invalid/files/)
pg_b=$(serve "$work/pg-b.log" --data "$work/shared" --db "$pg_url" --files-url http://files.invalid/files/)

# The static answer: what a new machine gets, as a file.
curl -s --data-binary 'clversion=1.1.1&checkintype=2&machineguid={FFFFFFFF-0000-4000-8000-000000000000}&channels=&installed=' \
  "http://127.0.0.1:$embedded_port/zulm/channelcheckin.asp" > "$work/static/zulm/channelcheckin.asp"
nginx_upstream=$(free_port)
nginx_static=$(free_port)
cat > "$work/nginx.conf" <<CONF
$( [ "$(id -u)" = 0 ] && echo 'user root;' )
worker_processes 1;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/body; proxy_temp_path $work/proxy;
  fastcgi_temp_path $work/fcgi; uwsgi_temp_path $work/uwsgi; scgi_temp_path $work/scgi;
  upstream zulserver { server 127.0.0.1:$pg_a; server 127.0.0.1:$pg_b; keepalive 32; }
  server {
    listen 127.0.0.1:$nginx_upstream;
    location / { proxy_pass http://zulserver; proxy_http_version 1.1; proxy_set_header Connection ""; }
  }
  server {
    listen 127.0.0.1:$nginx_static;
    # A POST to a static file is refused with 405 by default; answer it with the file instead.
    location /zulm/ { root $work/static; default_type text/plain; error_page 405 =200 \$uri; }
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -e "$work/nginx-error.log" || exit 1
sleep 0.5

measure() {  # name, port
  wrk -t$wrk_threads -c$connections -d${seconds}s -s "$root/bench/server_checkin.lua" "http://127.0.0.1:$2" -- $wrk_threads \
    | awk -v name="$1" '/^RESULT/ { print name, $2, $3, $4, $5, $6 }' >> "$work/results"
}
: > "$work/results"
for run in $(seq "$runs"); do
  measure static "$nginx_static"
  measure embedded "$embedded_port"
  measure postgresql "$nginx_upstream"
done

installs() {  # the install count of a store's report
  "$zulserver" report --data "$1" ${2:+--db "$2"} --format csv | awk -F, '$1 == "installs" { n += $4 } END { print n + 0 }'
}
recorded_embedded=$(installs "$work/embedded")
recorded_pg=$(installs "$work/shared" "$pg_url")

python3 - "$work/results" "$recorded_embedded" "$recorded_pg" "$runs" "$seconds" <<'PY'
import statistics, sys
path, recorded_embedded, recorded_pg, runs, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
rows = {}
for line in open(path):
    name, rps, p50, p99, errors, tally = line.split()
    rows.setdefault(name, []).append((float(rps), float(p50), float(p99), int(errors), int(tally)))
static = statistics.median(r[0] for r in rows["static"])
print(f"zulserver check-ins under wrk ({runs} runs of {seconds} s each, 2 threads, 32 connections, 100,000 machines)")
print(f"{'server':<34}{'check-ins/s (median, min-max)':>32}{'x nginx':>9}{'p50 ms':>9}{'p99 ms':>9}{'errors':>8}")
labels = {"static": "nginx, static answer (ceiling)", "embedded": "zulserver, embedded store",
          "postgresql": "zulserver x2 + PostgreSQL + nginx"}
for name in ("static", "embedded", "postgresql"):
    r = rows[name]
    rps = [x[0] for x in r]
    print(f"{labels[name]:<34}{statistics.median(rps):>14.0f} ({min(rps):.0f}-{max(rps):.0f}){'':>4}"
          f"{statistics.median(rps) / static:>9.2f}{statistics.median(x[1] for x in r):>9.2f}"
          f"{statistics.median(x[2] for x in r):>9.2f}{sum(x[3] for x in r):>8}")
# Each run's generator counts the distinct installs it reported; machines are new to every run
# only by chance, so the store's count is compared with the sum and must not exceed it, and the
# per-run tallies bound it from below by the largest one.
for name, recorded in (("embedded", recorded_embedded), ("postgresql", recorded_pg)):
    tallies = [x[4] for x in rows[name]]
    ok = max(tallies) <= recorded <= sum(tallies)
    print(f"installs recorded by the {name} store: {recorded} (generator: {max(tallies)} in its largest run, "
          f"{sum(tallies)} over all runs) {'ok' if ok else 'LOST OR DOUBLED'}")
PY
