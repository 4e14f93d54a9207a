#!/usr/bin/env bash
# Runs a program on an X server of its own (1024 x 768 x 24, or the screen
# XVFB_SCREEN names), local connections only. Xvfb chooses a free display
# number itself (-displayfd), so servers started at the same moment by other
# test runs never collide.
set -u
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
mkfifo "$dir/display"
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
server=$!
read -r number <"$dir/display" || number=""
if [ -z "$number" ]; then
  echo "own_xserver: Xvfb did not start:" >&2
  cat "$dir/log" >&2
  exit 1
fi
unset XAUTHORITY
export DISPLAY=":$number"
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
