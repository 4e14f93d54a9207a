#!/usr/bin/env bash
# Re-makes the README's screenshots (docs/title.png, docs/game.png) from the
# real program on a virtual X screen, with a scores file of its own.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUILLORY_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target quillory quillory_screenshots
mkdir -p docs
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
env XDG_DATA_HOME="$home" LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null \
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  build/release/tools/screenshots/quillory_screenshots docs/title.png docs/game.png
echo "docs/title.png and docs/game.png made"
