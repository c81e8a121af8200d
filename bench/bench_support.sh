# Functions the Wine benchmarks share (sourced after scripts/wine-env).

# bench_random_file PATH SIZE: a file of SIZE random bytes, made once and kept between runs.
bench_random_file() {
  mkdir -p "$(dirname "$1")"
  if [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" != "$2" ]; then
    head -c "$2" /dev/urandom > "$1"
  fi
}

# bench_harness_start: the Wine harness, unless one already runs for this build;
# bench_harness_stop ends only a harness that bench_harness_start started.
bench_started_harness=0
bench_harness_start() {
  if [ ! -f "$ZUL_BUILD/harness/display" ]; then
    "$root/scripts/wine-harness" start
    bench_started_harness=1
  fi
}
bench_harness_stop() {
  if [ "$bench_started_harness" = 1 ]; then "$root/scripts/wine-harness" stop || true; fi
}
