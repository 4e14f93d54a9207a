#!/usr/bin/env bash
# Sets up, builds and starts the game.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUILLORY_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
# The game finds its pictures, sounds and fonts beside itself; options such
# as --window or --seed N are passed on.
exec build/release/program/quillory "$@"
