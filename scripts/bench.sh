#!/usr/bin/env bash
# Builds the benchmarks in an optimised build and runs each of them on a
# virtual X screen with OpenAL-soft's null backend. Pass names to run only
# those (bench_pacing bench_pixmap ...). A whole run also re-makes
# docs/PERFORMANCE.md from the outputs (scripts/perf_report.sh).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh
dir=build/bench
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQUILLORY_TESTS=OFF -DQUILLORY_BENCH=ON >/dev/null
cmake --build "$dir" -j "$(nproc)"

mapfile -t all < <(find "$dir/bench" -type f -name 'bench_*' -perm -u+x | sort)
run=()
if [ $# -gt 0 ]; then
  for want in "$@"; do
    for b in "${all[@]}"; do [ "$(basename "$b")" = "$want" ] && run+=("$b"); done
  done
else
  run=("${all[@]}")
fi
# A benchmark that misses its target (or cannot run) does not stop the rest.
# Each one's output is kept for the performance report.
logs="$dir/logs"
rm -rf "$logs"
mkdir -p "$logs"
failed=()
for b in "${run[@]}"; do
  name="$(basename "$b")"
  echo "== $name"
  if ! env LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null \
       xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$b" 2>&1 | tee "$logs/$name.txt"; then
    failed+=("$name")
  fi
done
# A whole run re-makes the report; a run of a few benchmarks leaves it alone.
if [ $# -eq 0 ]; then
  bash scripts/perf_report.sh "$logs" > docs/PERFORMANCE.md
  echo "== wrote docs/PERFORMANCE.md"
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "== failed: ${failed[*]}"
  exit 1
fi
