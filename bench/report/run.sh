#!/usr/bin/env bash
# quelmar-report over a shared journal of 100,000 entries of 3,000
# workstations (bench/report/gen_journal.py): time (hyperfine, median of 10)
# and peak memory (GNU time, median of 5) of a Release build, and peak memory
# at 10,000 and 400,000 entries of the same fleet to show that it does not
# grow with the number of entries.
#
# usage: bench/report/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/bench"
work="$build/report"
# shellcheck source=../../tools/install_packages.sh
. "$root/tools/install_packages.sh"
install_packages build
for package in hyperfine time python3; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
    grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$package"
done
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUELMAR_TESTS=OFF \
  > /dev/null
cmake --build "$build" -j2 --target quelmar-report > /dev/null
report="$build/quelmar-report"
mkdir -p "$work"
for entries in 10000 100000 400000; do
  [ -s "$work/journal-$entries.log" ] ||
    python3 "$root/bench/report/gen_journal.py" "$entries" 3000 \
      "$work/journal-$entries.log"
done

peak_kib() {
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f %M -o "$work/time.tmp" "$@" > /dev/null
    tail -n 1 "$work/time.tmp"
  done | sort -n | sed -n 3p
}

echo "load average $(cut -d" " -f1-3 /proc/loadavg), $(nproc) cores"
hyperfine -N --style basic -w 2 -r 10 --export-json "$work/time.json" \
  "$report $work/journal-100000.log" \
  "$report --csv $work/journal-100000.log" \
  "$report --html $work/page.html $work/journal-100000.log" > /dev/null
python3 - "$work/time.json" <<'PY'
import json, sys
for r in json.load(open(sys.argv[1]))["results"]:
    words = [w.rsplit("/", 1)[-1] for w in r["command"].split()]
    print("%6.0f ms median, %4.0f ms user  %s"
          % (r["median"] * 1000, r["user"] * 1000, " ".join(words)))
PY
for entries in 10000 100000 400000; do
  size=$(stat -c %s "$work/journal-$entries.log")
  echo "$(peak_kib "$report" "$work/journal-$entries.log") KiB peak" \
    "memory  $entries entries ($((size / 1048576)) MiB)"
done
