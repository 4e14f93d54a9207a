#!/usr/bin/env bash
# A long soak: game after game through the real title screen and game loop in
# the AddressSanitizer + UBSan build, on a virtual X screen. Prints the memory
# curve (game, resident memory, heap in use) and a one-line verdict.
#   bash scripts/soak.sh [games]     (200 by default)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

games="${1:-200}"
case "$games" in
  ''|*[!0-9]*) echo "usage: bash scripts/soak.sh [games]" >&2; exit 2 ;;
esac

bash scripts/setup.sh
dir=build/test-asan
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLORY_TESTS=ON -DQUILLORY_SANITIZE=ON >/dev/null
cmake --build "$dir" -j "${JOBS:-$(nproc)}" --target soak_tests

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
echo "== soak: $games games (ASan + UBSan build)"
status=0
env LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null QUILLORY_SOAK_GAMES="$games" \
    ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp" \
    xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
    "$dir/tests/soak/soak_tests" >"$log" 2>&1 || status=$?

printf '%6s  %-16s %10s %10s\n' game plan "rss MiB" "heap MiB"
sed -n 's/^soak game \([0-9]*\) \(.\{16\}\) rss *\([0-9.]*\) MiB heap *\([0-9.]*\) MiB.*/\1|\2|\3|\4/p' "$log" |
  while IFS='|' read -r n plan rss heap; do printf '%6s  %-16s %10s %10s\n' "$n" "$plan" "$rss" "$heap"; done
verdict="$(grep '^soak verdict:' "$log" || true)"
if [ "$status" -eq 0 ]; then
  echo "PASS ${verdict#soak verdict: }"
else
  # The test's own account of what went wrong (a failed bound, a sanitizer report).
  grep -E 'Failure|Expected|ERROR|runtime error|grows|did not' "$log" | head -20 || true
  echo "FAIL (status $status) ${verdict#soak verdict: }"
fi
exit "$status"
