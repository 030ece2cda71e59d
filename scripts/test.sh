#!/usr/bin/env bash
# Checks the C++ sources' formatting, then builds every configuration and runs every test layer:
# the native unit and scenario tests and the fuzzer (under AddressSanitizer and
# UndefinedBehaviorSanitizer), the same as 32-bit code run through qemu-i386 (under
# UndefinedBehaviorSanitizer), then the Wine tests of the Windows program on a private X display
# and Wine prefix, then a smoke run of tavedit.exe itself.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh || exit 1

status=0
summary=()
step() { echo; echo "==== $*"; }

step "Formatting"
# Every C++ source of the project (not the build folders), against the repository's .clang-format.
if unformatted=$(find . \( -path ./build -o -path ./.git \) -prune -o \( -name '*.cpp' -o -name '*.h' \) \
    -type f -print | xargs clang-format --dry-run 2>&1 |
    sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: .*clang-format-violations.*/\1/p' | sort -u | paste -sd ' ') &&
    [ -z "$unformatted" ]; then
    summary+=("formatting: ok")
else
    summary+=("formatting: FAILED (run clang-format -i on: ${unformatted:-see clang-format})")
    status=1
fi

step "Native build and tests"
if cmake --preset native >/dev/null && cmake --build --preset native -j"$jobs"; then
    if ctest --preset native -j"$jobs" 2>&1 | tee build/native-ctest.log | tail -n 25; then
        summary+=("native tests: $(grep -E 'tests passed' build/native-ctest.log)")
    else
        summary+=("native tests: FAILED ($(grep -E 'tests passed' build/native-ctest.log))")
        status=1
    fi
else
    summary+=("native build: FAILED")
    status=1
fi

# The 32-bit layer: its programs are i686 ELF files that ctest runs through qemu-i386 (these
# machines run 64-bit code only and have no binfmt handler).
step "Native 32-bit build and tests (qemu-i386)"
if cmake --preset native32 >/dev/null && cmake --build --preset native32 -j"$jobs"; then
    if ctest --preset native32 -j"$jobs" 2>&1 | tee build/native32-ctest.log | tail -n 25; then
        # Each GoogleTest program runs whole as one ctest test: its own count says how many ran.
        gtests=$(grep -hoE '^\[  PASSED  \] [0-9]+' build/native32/Testing/Temporary/LastTest.log |
            awk '{n += $NF} END {print n + 0}')
        summary+=("native32 tests (32-bit, qemu-i386): $(grep -E 'tests passed' build/native32-ctest.log); $gtests GoogleTest tests")
    else
        # The failing GoogleTest tests by name, since a whole program is one ctest test here.
        failed=$(grep -oE '^\[  FAILED  \] [A-Za-z_][A-Za-z0-9_./]*' build/native32-ctest.log |
            awk '{print $NF}' | sort -u | paste -sd ' ')
        summary+=("native32 tests (32-bit, qemu-i386): FAILED ($(grep -E 'tests passed' build/native32-ctest.log); ${failed:-see build/native32-ctest.log})")
        status=1
    fi
else
    summary+=("native32 build: FAILED")
    status=1
fi

for preset in win32 win64; do
    step "Windows build: $preset"
    if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$jobs"; then
        summary+=("$preset build: ok")
    else
        summary+=("$preset build: FAILED")
        status=1
    fi
done

step "Release program"
release=build/win32/tavedit.exe
if [ -f "$release" ]; then
    size=$(stat -c %s "$release")
    header=$(i686-w64-mingw32-objdump -p "$release")
    dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$header" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
    # The whole 4 GiB of address space on 64-bit Windows, which a 1 GiB document needs to grow.
    large="no"
    grep -qx '\s*large address aware' <<<"$header" && large="yes"
    version=$(strings -el "$release" | grep -A1 -x 'ProductVersion' | tail -n 1)
    echo "tavedit.exe: $size bytes; imports: $dlls; version $version; large address aware: $large"
    unexpected=$(echo "$dlls" | tr ' ' '\n' | grep -vxE 'advapi32.dll|comdlg32.dll|gdi32.dll|kernel32.dll|msvcrt.dll|shell32.dll|user32.dll|' || true)
    # The SSE2 paths: the search's byte compares and masks, the hex encoding's digit compares
    # and interleaving.
    code=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$release" | awk '{print $2}')
    missing=""
    for instruction in pcmpeqb pmovmskb pcmpgtb punpcklbw; do
        grep -qx "$instruction" <<<"$code" || missing="$missing $instruction"
    done
    echo "tavedit.exe SSE2 instructions missing:${missing:- none}"
    if [ "$size" -lt 153600 ] && [ -z "$unexpected" ] && [ "$version" = "0.3.1" ] && [ -z "$missing" ] &&
        [ "$large" = "yes" ]; then
        summary+=("release program: ok ($size bytes, system DLLs only, version $version, SSE2 paths present, large address aware)")
    else
        summary+=("release program: FAILED ($size bytes; unexpected DLLs: ${unexpected:-none}; version ${version:-none}; SSE2 missing:${missing:- none}; large address aware: $large)")
        status=1
    fi
fi

if [ -x build/win64/wine_tests.exe ]; then
    step "Wine tests"
    if scripts/wine-tests.sh build/win64 2>&1 | tee build/wine-tests.log; then
        summary+=("wine tests: $(grep -E '^\[  PASSED  \]' build/wine-tests.log | tail -n 1); $(grep -E '^smoke:' build/wine-tests.log | tail -n 1)")
    else
        summary+=("wine tests: FAILED")
        status=1
    fi
fi

step "Summary"
printf '%s\n' "${summary[@]}"
[ $status -eq 0 ] && echo "ALL TESTS PASSED" || echo "SOME TESTS FAILED"
exit $status
