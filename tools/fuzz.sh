#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ in build-fuzz (clang-14, ASan+UBSan) and runs
# each over its corpus in fuzz/corpus/<target>:
#   tools/fuzz.sh --runs N [target...]     N executions each (make fuzz: a million); the
#                                          inputs that reach new code are merged into
#                                          fuzz/corpus, so the next run starts from them
#   tools/fuzz.sh --seconds S [target...]  S seconds each, corpus left as it is (CI)
# A crash leaves its input in build-fuzz/crashes/<target>/ and fails the run after
# every target has had its turn.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=runs
amount=1000000
case "${1:-}" in
  --runs) amount=$2; shift 2 ;;
  --seconds) mode=seconds; amount=$2; shift 2 ;;
esac
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(IniProfile_fuzz SettingsValues_fuzz RegExport_fuzz ZoneClock_fuzz)

build=build-fuzz
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHORAVANE_FUZZ=ON -DHORAVANE_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
failed=()
for target in "${targets[@]}"; do
  seeds="fuzz/corpus/$target"
  work="$build/corpus/$target"
  crashes="$build/crashes/$target"
  mkdir -p "$seeds" "$work" "$crashes"
  if [[ $mode == runs ]]; then limit=(-runs="$amount"); else limit=(-max_total_time="$amount"); fi
  echo "=== $target: ${amount} ${mode}"
  start=$(date +%s)
  # A million runs of the registry reader take the RSS past 1 GB (the sanitizers'
  # allocator and the growing corpus), so the limit sits above libFuzzer's default 2 GB;
  # libFuzzer's leak check after each input stays on.
  if "$build/fuzz/$target" "${limit[@]}" -max_len=4096 -timeout=10 -rss_limit_mb=4096 \
       -print_final_stats=1 -artifact_prefix="$crashes/" "$work" "$seeds" \
       2>"$build/$target.log"; then
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
      "$build/$target.log" || true
  else
    tail -n 40 "$build/$target.log"
    failed+=("$target")
  fi
  echo "    $(( $(date +%s) - start )) s"
  if [[ $mode == runs ]]; then
    # Keep only what adds coverage: the repository's corpus stays small.
    "$build/fuzz/$target" -merge=1 -max_len=4096 "$seeds" "$work" 2>>"$build/$target.log" >/dev/null || true
  fi
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "Crashes in: ${failed[*]} (inputs in $build/crashes/)" >&2
  exit 1
fi
echo "No crashes."
