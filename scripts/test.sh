#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build. GL tests draw on Mesa
# inside a virtual X screen of 1024 x 768 x 24. The server never resets: by
# default it resets whenever its last client leaves, and a test connecting at
# that moment was refused (parallel tests come and go all the time).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh

JOBS="${JOBS:-$(nproc)}"
status=0
for variant in normal asan; do
  dir="build/test-$variant"
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLORY_TESTS=ON)
  if [ "$variant" = asan ]; then flags+=(-DQUILLORY_SANITIZE=ON); fi
  echo "== $variant build"
  cmake -S . -B "$dir" "${flags[@]}" >/dev/null
  cmake --build "$dir" -j "$JOBS"
  echo "== $variant tests"
  # Mesa's software renderer, OpenAL-soft without a sound card.
  if ! env LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null \
       ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
       ctest --test-dir "$dir" --output-on-failure -j "$JOBS"; then
    status=1
  fi
done
# The fuzz harnesses (clang, libFuzzer): every seed and kept regression input once.
echo "== fuzz build"
cmake -S . -B build/fuzz -DQUILLORY_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$JOBS"
echo "== fuzz regression pass"
if ! ctest --test-dir build/fuzz --output-on-failure -j "$JOBS"; then
  status=1
fi
exit $status
