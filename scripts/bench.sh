#!/usr/bin/env bash
# Builds the benchmarks in an optimised build and runs each of them on a
# virtual X screen with OpenAL-soft's null backend. Pass names to run only
# those (bench_pacing bench_pixmap ...).
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
failed=()
for b in "${run[@]}"; do
  echo "== $(basename "$b")"
  if ! env LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null \
       xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$b"; then
    failed+=("$(basename "$b")")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "== failed: ${failed[*]}"
  exit 1
fi
