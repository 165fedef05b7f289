#!/usr/bin/env bash
# The benchmarks of quelmar-dryrun, and of Quelmar.exe under Wine: builds
# Release binaries in build/bench (the Windows one in build/bench/windows),
# generates the inputs in build/bench/inputs, times every benchmark with
# hyperfine, measures peak memory with GNU time, and prints one table.
#
# usage: bench/run.sh [--quick]
#   --quick  fewer runs (a rough table in about a minute)
# QUELMAR_DRYRUN=PATH measures another quelmar-dryrun (an older build, to
# compare) instead of the one built here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
inputs="$build/inputs"
results="$build/results"
runs=10
# Benchmark 1 is judged by a ratio of two medians of a few milliseconds
# each, which a shared machine moves by a tenth from one run to the next:
# more runs steady it.
largest_runs=60
startup_runs=200
wine_runs=30
if [ "${1:-}" = --quick ]; then
  runs=3; largest_runs=10; startup_runs=50; wine_runs=10
fi

# shellcheck source=../tools/install_packages.sh
. "$root/tools/install_packages.sh"
install_packages build
bench_packages=()
for package in hyperfine valgrind time python3 mawk g++-mingw-w64-x86-64-posix \
  wine wine64; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null \
    | grep -q "install ok installed" || bench_packages+=("$package")
done
if [ "${#bench_packages[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${bench_packages[@]}"
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUELMAR_TESTS=OFF \
  > /dev/null
cmake --build "$build" -j2 --target quelmar-dryrun > /dev/null
dryrun=$(realpath "${QUELMAR_DRYRUN:-$build/quelmar-dryrun}")
rm -rf "$inputs" "$results"
mkdir -p "$results"
python3 "$root/bench/gen_inputs.py" "$inputs"
journal="$inputs/journal.log"
ws="$inputs/workstation.ini"
export COMPUTERNAME=BANC01

# hyperfine NAME RUNS COMMAND...: one group of commands measured side by side.
measure() {
  local name=$1 count=$2
  shift 2
  # hyperfine warns about every command that exits non-zero, as runs with
  # script errors do by design: its messages are shown only if it fails.
  if ! hyperfine -N -i --style none -w 2 -r "$count" \
    --prepare "rm -f $journal" --export-json "$results/$name.json" "$@" \
    > /dev/null 2> "$results/$name.err"; then
    cat "$results/$name.err" >&2
    exit 1
  fi
}

# Peak resident memory (KiB) of a command, median of five runs.
peak_memory() {
  local name=$1
  shift
  for _ in 1 2 3 4 5; do
    rm -f "$journal"
    /usr/bin/time -f %M -o "$results/time.tmp" "$@" > /dev/null 2>&1 || true
    tail -n 1 "$results/time.tmp"
  done | sort -n | sed -n 3p > "$results/$name.kib"
}

run_mix() { echo "$dryrun --workstation $ws $inputs/$1"; }
awk_pass="awk -F, '{n+=NF} END{print n}' $inputs/mix_32766.txt"

# 1 and 4: the largest script, against one awk pass and in mode "N".
measure largest "$largest_runs" "$(run_mix mix_32766.txt)" "$awk_pass" \
  "$(run_mix mix_32766_n.txt)"
peak_memory largest_m "$dryrun" --workstation "$ws" "$inputs/mix_32766.txt"
peak_memory largest_n "$dryrun" --workstation "$ws" "$inputs/mix_32766_n.txt"
rm -f "$journal"
"$dryrun" --workstation "$ws" "$inputs/mix_32766.txt" > /dev/null || true
stat -c %s "$journal" > "$results/journal.bytes"

# 2: scaling with the lines, and with the printers under one wildcard.
measure lines "$runs" "$(run_mix mix_1000.txt)" "$(run_mix mix_4000.txt)" \
  "$(run_mix mix_16000.txt)" "$(run_mix mix_32000.txt)"
wild=()
for p in 250 500 1000 2000; do
  wild+=("$dryrun --workstation $inputs/wild_$p.ini $inputs/wild_$p.txt")
done
measure wildcard "$runs" "${wild[@]}"

# Instructions, which a loaded machine does not change: the largest script
# against the awk pass.
instructions() {
  local name=$1
  shift
  rm -f "$journal"
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 \
    > /dev/null | sed -n 's/.*Collected : //p' > "$results/$name.ir" || true
}
instructions largest_m "$dryrun" --workstation "$ws" "$inputs/mix_32766.txt"
instructions awk awk -F, '{n+=NF} END{print n}' "$inputs/mix_32766.txt"

# 3: start-up.
measure startup "$startup_runs" "$(run_mix one_line.txt)" /bin/true

# 5: Quelmar.exe under Wine against an empty Win32 program, and the same
# empty program importing the GUI libraries that Quelmar.exe imports.
windows="$build/windows"
cmake -S "$root" -B "$windows" --toolchain "$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQUELMAR_TESTS=OFF > /dev/null
cmake --build "$windows" -j2 --target Quelmar > /dev/null
mingw_cc=(x86_64-w64-mingw32-gcc-posix -O2 -Wall -Wextra -Werror -mwindows
          -static -s)
"${mingw_cc[@]}" "$root/bench/empty_win32.c" -o "$windows/empty.exe"
"${mingw_cc[@]}" -DWITH_GUI_DLLS "$root/bench/empty_win32.c" \
  -o "$windows/empty_gui_dlls.exe" -lcomctl32 -lwinspool
# The one-line script, its journal beside the program.
sed 's/^Log=.*/Log=journal.log\r/' "$inputs/one_line.txt" \
  > "$windows/one_line.txt"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
[ -f "$WINEPREFIX/system.reg" ] || wine wineboot --init > /dev/null 2>&1
# One wineserver for every run, so that no run pays for starting it; the
# runs need no display.
wineserver -p < /dev/null > /dev/null 2>&1
trap 'wineserver -k 2> /dev/null || true' EXIT
(
  cd "$windows"
  unset DISPLAY
  if ! hyperfine -N -i --style none -w 3 -r "$wine_runs" \
    --prepare "rm -f $windows/journal.log" \
    --export-json "$results/wine.json" "wine empty.exe" \
    "wine Quelmar.exe one_line.txt" "wine empty_gui_dlls.exe" \
    > /dev/null 2> "$results/wine.err"; then
    cat "$results/wine.err" >&2
    exit 1
  fi
)
wineserver -k 2> /dev/null || true

python3 "$root/bench/report.py" "$results" "$inputs"
