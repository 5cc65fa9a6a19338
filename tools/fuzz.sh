#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each for a set time, starting
# from the seeds in fuzz/corpus/<target> and the inputs kept in tests/data/fuzz/<target>.
# A crash stops with the failing input saved as build/fuzz/artifacts/<target>/crash-*; copy it
# to tests/data/fuzz/<target>/ so the regression test (test_fuzz_regressions) keeps it.
#
#   tools/fuzz.sh [seconds-per-target] [target...]     (default 20 s, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
shift || true
build=${FUZZ_BUILD:-build/fuzz}
all=(prefs_reader table_reader event_reader compose_time compose_date)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAKU_FUZZ=ON -DTAKU_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  artifacts="$build/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  seeds=(fuzz/corpus/"$t")
  [ -d tests/data/fuzz/"$t" ] && seeds+=(tests/data/fuzz/"$t")
  log="$build/artifacts/$t.log"
  # -rss_limit_mb: the readers are bounded, so a big allocation is a finding too.
  if "$build/fuzz/fuzz_$t" "$corpus" "${seeds[@]}" -max_total_time="$secs" -max_len=65536 \
      -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" >"$log" 2>&1; then
    runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    echo "fuzz $t: ${secs}s, ${runs:-?} runs, coverage ${cov:-?} edges, no crash"
  else
    echo "fuzz $t: FOUND A CRASH (log $log, input in $artifacts/)"
    tail -40 "$log"
    status=1
  fi
done
exit $status
