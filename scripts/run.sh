#!/usr/bin/env bash
# Builds Tavrins Editor and starts it on this display: under Wine on Linux (the 64-bit build,
# since these machines run 64-bit code only). An optional argument names a file to open.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target tavedit -j"$(nproc)"

if [ -z "${DISPLAY:-}" ]; then
    echo "No display: set DISPLAY to the X display to show the editor on." >&2
    exit 1
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ $# -gt 0 ]; then
    exec wine build/win64/tavedit.exe "$(winepath -w "$(realpath "$1")")"
fi
exec wine build/win64/tavedit.exe
