#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang and runs each over a copy
# of its seed corpus.
#
# Usage: scripts/fuzz.sh smoke|full [BUILD_DIR]
#   smoke  about 10 seconds per target (part of the test run)
#   full   FUZZ_SECONDS per target, 300 unless set
# BUILD_DIR (default build-fuzz in the repository) is configured once and
# holds the runs: BUILD_DIR/runs/TARGET/{corpus,artifacts,log}. The seed
# corpora in fuzz/corpus are only read, never added to.
#
# Exits non-zero when a target crashes, times out or fails an assertion;
# the input that did it is left in BUILD_DIR/runs/TARGET/artifacts/.
set -euo pipefail

usage() {
  echo "Usage: $0 smoke|full [BUILD_DIR]" >&2
  echo "  smoke: about 10 s per fuzz target; full: \$FUZZ_SECONDS (default 300) per target" >&2
  exit 2
}

[ $# -ge 1 ] && [ $# -le 2 ] || usage
mode=$1
case "$mode" in
  smoke) seconds=10 ;;
  full) seconds=${FUZZ_SECONDS:-300} ;;
  *) usage ;;
esac
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "FUZZ_SECONDS must be a whole number of seconds above 0, not '$seconds'" >&2
  exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${2:-$root/build-fuzz}
case "$build" in
  /*) ;;
  *) build=$PWD/$build ;;
esac

# target name, seed corpus directory under fuzz/corpus
targets=(
  "shift_text_fuzz shift_text"
  "key_file_fuzz key_file"
)

need_packages() {
  echo "$1" >&2
  echo "The fuzz targets need clang with libFuzzer. On Debian or Ubuntu:" >&2
  echo "  apt-get install clang libclang-rt-14-dev cmake" >&2
  echo "(scripts/install-deps.sh clang libclang-rt-14-dev installs them when missing.)" >&2
  exit 1
}

command -v clang++ >/dev/null 2>&1 || need_packages "clang++ is not installed."
command -v cmake >/dev/null 2>&1 || need_packages "cmake is not installed."

mkdir -p "$build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  # clang without its runtime libraries compiles, then fails at the link:
  # tell that apart from a fault in the fuzz project itself.
  probe=$build/libfuzzer-probe
  printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }' >"$probe.cpp"
  if ! clang++ -fsanitize=fuzzer,address,undefined "$probe.cpp" -o "$probe" >"$probe.log" 2>&1; then
    cat "$probe.log" >&2
    rm -f "$probe" "$probe.cpp" "$probe.log"
    need_packages "clang++ cannot link a libFuzzer program (its runtime libraries are missing)."
  fi
  rm -f "$probe" "$probe.cpp" "$probe.log"
  cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"

# UBSan findings stop the program (-fno-sanitize-recover); show where.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

failed=0
summary=()
for entry in "${targets[@]}"; do
  read -r target seeds <<<"$entry"
  work=$build/runs/$target
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp -R "$root/fuzz/corpus/$seeds/." "$work/corpus/"
  log=$work/log

  echo "== $target: $seconds s over a copy of fuzz/corpus/$seeds"
  args=(
    -max_total_time="$seconds"
    -timeout=25
    -rss_limit_mb=2048
    -print_final_stats=1
    -artifact_prefix="$work/artifacts/"
    "$work/corpus"
  )
  set +e
  if [ "$mode" = full ]; then
    "$build/$target" "${args[@]}" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
  else
    "$build/$target" "${args[@]}" >"$log" 2>&1
    status=$?
  fi
  set -e

  # libFuzzer ends a clean run with "Done N runs in S second(s)" (and a
  # "#N DONE" status line); after a crash there are the final statistics.
  runs=$(sed -n 's/^Done \([0-9][0-9]*\) runs in .*/\1/p' "$log" | tail -n 1)
  took=$(sed -n 's/^Done [0-9][0-9]* runs in \([0-9][0-9]*\) second.*/\1/p' "$log" | tail -n 1)
  if [ -z "$runs" ]; then
    runs=$(sed -n 's/^#\([0-9][0-9]*\)[[:space:]]*DONE.*/\1/p' "$log" | tail -n 1)
  fi
  if [ -z "$runs" ]; then
    runs=$(sed -n 's/^stat::number_of_executed_units:[[:space:]]*\([0-9][0-9]*\).*/\1/p' "$log" | tail -n 1)
  fi
  rate=$(sed -n 's/^stat::average_exec_per_sec:[[:space:]]*\([0-9][0-9]*\).*/\1/p' "$log" | tail -n 1)
  cov=$(grep -E '^#[0-9]+[[:space:]]' "$log" | tail -n 1 | sed -n 's/.*\(cov: [0-9]* ft: [0-9]*\).*/\1/p' || true)
  kept=$(find "$work/corpus" -type f | wc -l)

  if [ "$status" -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit $status)"
    failed=1
    if [ "$mode" != full ]; then
      tail -n 60 "$log" >&2
    fi
    for artifact in "$work/artifacts"/*; do
      [ -f "$artifact" ] || continue
      echo "-- $target kept $artifact ($(wc -c <"$artifact") bytes):" >&2
      od -An -tx1 -v "$artifact" | head -n 20 >&2
    done
  fi
  summary+=("$(printf '%-16s %-20s runs %-10s in %3s s  (%s/s)  %s  corpus %s files' \
    "$target" "$result" "${runs:-?}" "${took:-?}" "${rate:-?}" "${cov:-}" "$kept")")
done

echo
echo "Fuzzing ($mode) summary, logs in $build/runs/TARGET/log:"
printf '  %s\n' "${summary[@]}"
exit "$failed"
