#!/usr/bin/env bash
# Fuzzing campaign: every harness of fuzz/ runs for SECONDS (default 600),
# two at a time, starting from its seed corpus and the kept regression
# inputs. The grown corpora, the logs and any crash inputs stay under
# build/fuzz-campaign/ (a later run carries on from the grown corpora).
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

EACH="${1:-600}"
PARALLEL="${PARALLEL:-2}"
HARNESSES=(archive scores lines pixmap ogg wav font)

bash scripts/setup.sh
cmake -S . -B build/fuzz -DQUILLORY_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "${JOBS:-$(nproc)}"

OUT="$ROOT/build/fuzz-campaign"
mkdir -p "$OUT/logs"
export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run() {
  local h=$1
  local args=()
  mkdir -p "$OUT/corpus/$h" "$OUT/crashes/$h"
  [ -f "fuzz/$h.dict" ] && args+=("-dict=fuzz/$h.dict")
  local kept=()
  [ -d "fuzz/regressions/$h" ] && kept+=("fuzz/regressions/$h")
  # The first folder is the one that grows; the seeds and kept inputs are read only.
  "build/fuzz/fuzz/fuzz_$h" "$OUT/corpus/$h" "build/fuzz/corpus/$h" "${kept[@]}" \
    "${args[@]}" -max_total_time="$EACH" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$OUT/crashes/$h/" -print_final_stats=1 \
    >"$OUT/logs/$h.log" 2>&1 || true
}

echo "== fuzzing ${#HARNESSES[@]} harnesses for ${EACH} s each, $PARALLEL at a time"
running=0
for h in "${HARNESSES[@]}"; do
  if [ "$running" -ge "$PARALLEL" ]; then
    wait -n
    running=$((running - 1))
  fi
  echo "   start $h"
  run "$h" &
  running=$((running + 1))
done
wait

printf '\n%-8s %12s %9s %8s %8s  %s\n' harness executions execs/s corpus crashes "crash inputs"
found=0
for h in "${HARNESSES[@]}"; do
  log="$OUT/logs/$h.log"
  execs=$( (grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" || true) | awk '{print $2}' | tail -1)
  rate=$( (grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" || true) | awk '{print $2}' | tail -1)
  if [ -z "$execs" ]; then  # stopped by a crash: the last progress line
    execs=$( (grep -o '^#[0-9]*' "$log" || true) | tr -d '#' | tail -1)
    rate=$( (grep -o 'exec/s: [0-9]*' "$log" || true) | awk '{print $2}' | tail -1)
  fi
  corpus=$(find "$OUT/corpus/$h" -type f | wc -l)
  crashes=$(find "$OUT/crashes/$h" -type f | wc -l)
  where=-
  if [ "$crashes" -gt 0 ]; then
    where="$OUT/crashes/$h/ (log: $log)"
    found=1
  fi
  printf '%-8s %12s %9s %8s %8s  %s\n' "$h" "${execs:-?}" "${rate:-?}" "$corpus" "$crashes" "$where"
done
exit $found
