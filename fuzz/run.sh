#!/usr/bin/env bash
# Builds the fuzz targets (preset `fuzz`) and runs each of them for SECONDS
# seconds, one after the other, from the seed corpus in fuzz/corpus/TARGET.
# New inputs go to BUILD_DIR/corpus/TARGET, crashes to BUILD_DIR/artifacts.
# Exits non-zero when a target finds a crash, a leak, a sanitizer report or a
# hang (an input that takes more than 10 s).
#
# usage: fuzz/run.sh SECONDS [TARGET...]
set -u
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(run profile text_utils reply journal)
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz

# clang and its sanitizer and libFuzzer runtimes.
if [ "$(id -u)" = 0 ] && { ! command -v clang++ > /dev/null ||
  ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2> /dev/null |
  grep -q "install ok installed"; }; then
  apt-get install -y clang libclang-rt-14-dev > /dev/null
fi
cmake --preset fuzz -S "$root" > /dev/null &&
  cmake --build "$build" -j2 > /dev/null || { echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  dict=()
  [ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
  log=$build/$target.log
  # Leaks of the libraries themselves, which the target cannot mend.
  suppressions=()
  [ -f "$root/fuzz/$target.supp" ] &&
    suppressions=(env "LSAN_OPTIONS=suppressions=$root/fuzz/$target.supp")
  "${suppressions[@]}" "$build/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 "${dict[@]}" \
    -artifact_prefix="$build/artifacts/$target-" \
    "$build/corpus/$target" "$root/fuzz/corpus/$target" > "$log" 2>&1
  status=$?
  summary=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -1)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ $status -eq 0 ]; then
    passed=$((passed + 1))
    echo "PASS $target: $runs runs; ${summary#*cov: }" | sed 's/ exec\/s.*//'
  else
    failed=$((failed + 1))
    echo "FAIL $target (status $status), see $log:"
    # The report, the stack and the input (libFuzzer prints small inputs
    # escaped and in Base64), so that a failure on another machine can be
    # replayed here.
    sed -n '/ERROR/,$p' "$log" | head -60
  fi
done
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
