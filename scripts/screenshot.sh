#!/usr/bin/env bash
# Makes the README's picture from the real program: tavedit.exe under Wine on a private display,
# with its own first bytes open (16 bytes per row), a few bytes selected from the keyboard and
# the value inspector held up with the right button. Writes docs/tavedit.png, or the file named.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/tavedit.png}")

scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target tavedit -j"$(nproc)"
build=$(realpath build/win64)
. scripts/wine-session.sh

# The window's rectangle as the program saves it (left, top, right, bottom, little-endian): wide
# enough for 16 bytes per row, which the program snaps to whole bytes and rows.
winpos=""
for value in 8 8 370 440; do
    winpos+=$(printf '%08x' "$value" | sed -E 's/(..)(..)(..)(..)/\4\3\2\1/')
done
wine reg add 'HKCU\Software\kez\tarnvik' /v WinPos /t REG_BINARY /d "$winpos" /f >/dev/null 2>&1

sample="$wine_session_dir/tavedit.exe"
head -c 4096 "$build/tavedit.exe" >"$sample"
(cd "$wine_session_dir" && wine "$build/tavedit.exe" "$(winepath -w "$sample")") &
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Edit:tavedit.exe ' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "screenshot: no window titled Edit:tavedit.exe" >&2; exit 1; }
sleep 1

# Geometry of the window on the screen, to point at its cells.
eval "$(xdotool getwindowgeometry --shell "$window")"
# Down to the row of "This program cannot be run in DOS mode", then a selection of a few bytes
# in the text pane.
xdotool key --window "$window" Down Down Down Down Tab Right Right Right Right Right Right Right \
    Right Right Right Right Right Right Right
xdotool key --window "$window" shift+Right shift+Right shift+Right shift+Right shift+Right \
    shift+Right shift+Right shift+Right shift+Right shift+Right shift+Right shift+Right \
    shift+Right shift+Right shift+Right shift+Right shift+Right shift+Right shift+Right \
    shift+Right shift+Right shift+Right shift+Right shift+Right shift+Right
sleep 0.5
# The value inspector: the right button held on the file's first byte, in the hex pane.
xdotool mousemove $((X + 8)) $((Y + 44)) mousedown 3
sleep 0.5
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
xdotool mouseup 3
echo "screenshot: $out ($(identify -format '%wx%h' "$out"))"
