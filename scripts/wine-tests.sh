#!/usr/bin/env bash
# Runs the Wine test layer from a win64 build folder: the in-process tests of the program's
# windows, then tavedit.exe itself started with a file, checked by its title and a screenshot.
# Everything runs in one private Wine session (one Xvfb display, one Wine prefix).
set -uo pipefail
build=$(realpath "${1:-build/win64}")
cd "$(dirname "$0")/.."
. scripts/wine-session.sh

status=0
(cd "$wine_session_dir" && wine "$build/wine_tests.exe" ${WINE_TEST_FILTER:+--gtest_filter="$WINE_TEST_FILTER"}) ||
    status=1

# Smoke run: the real program with a file on its command line, named in scripts that no ANSI
# code page holds together (Cyrillic and CJK), so that the wide command line is what opens it.
sample="$wine_session_dir/sample-тест-文字.bin"
{ printf 'Tavrins Editor smoke test\r\n'; head -c 600 /dev/urandom; } >"$sample"
(cd "$wine_session_dir" && wine "$build/tavedit.exe" "$(winepath -w "$sample")") &
smoke=$!
found=""
for _ in $(seq 100); do
    found=$(xdotool search --name '^Edit:sample-тест-文字.bin ' 2>/dev/null | head -n 1)
    [ -n "$found" ] && break
    sleep 0.2
done
shot="$build/smoke.png"
if [ -n "$found" ]; then
    import -window root "$shot" 2>/dev/null
    colours=$(convert "$shot" -format '%k' info: 2>/dev/null || echo 0)
    if [ "${colours:-0}" -gt 4 ]; then
        echo "smoke: tavedit.exe showed $(basename "$sample") ($colours colours on screen, $shot)"
    else
        echo "smoke: FAILED, the screen is blank"
        status=1
    fi
else
    echo "smoke: FAILED, no window titled Edit:$(basename "$sample")"
    status=1
fi
kill "$smoke" 2>/dev/null
exit $status
