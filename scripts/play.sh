#!/usr/bin/env bash
# Sets up, builds and starts the game.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUILLORY_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
GAME=build/release/program/quillory
if [ ! -x "$GAME" ]; then
  echo "Quillory demo is not playable yet: the engine and the game screen are built, start-up and the title screen are not." >&2
  exit 1
fi
cd "$(dirname "$GAME")"
exec ./quillory
