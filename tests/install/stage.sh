#!/usr/bin/env bash
# Makes what the install tests look at, in a folder of its own:
#   stage.sh prefix BUILD DIR   installs the build under DIR/prefix, as cmake --install does
#   stage.sh deb BUILD DIR      makes the Debian package in DIR and unpacks it into DIR/root
# Only the game's install component is named, so the install manifest of a
# real `cmake --install` from the same tree (install_manifest.txt) is left alone.
set -euo pipefail
what=$1 build=$2 dir=$3
# A test leaves the unpacked program folder read-only.
chmod -R u+w "$dir" 2>/dev/null || true
rm -rf "$dir"
mkdir -p "$dir"
case "$what" in
  prefix)
    cmake --install "$build" --prefix "$dir/prefix" --component quillory >"$dir/install.log"
    ;;
  deb)
    (cd "$dir" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$dir") >"$dir/cpack.log"
    debs=("$dir"/*.deb)
    if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
      echo "stage: cpack made no package" >&2
      cat "$dir/cpack.log" >&2
      exit 1
    fi
    dpkg -x "${debs[0]}" "$dir/root"
    ;;
  *)
    echo "stage: unknown stage $what" >&2
    exit 2
    ;;
esac
