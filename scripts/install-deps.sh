#!/usr/bin/env bash
# Installs, on Debian 12, whatever building, running and testing the editor needs and is
# missing: the native toolchain and test libraries, the 32-bit native toolchain (g++-multilib,
# the 32-bit UBSan runtime) and qemu-i386 to run its programs, the MinGW-w64 cross compilers,
# Wine and a virtual X server for the Wine tests. Packages named as arguments are wanted as well.
# Recommended packages are left out: qemu-user's recommended qemu-user-binfmt is not wanted (the
# tests name qemu-i386 themselves), nor is wine32, whose 32-bit loader cannot start here.
set -euo pipefail

packages=(
    cmake make g++ libgtest-dev googletest libbenchmark-dev clang-format
    g++-multilib lib32ubsan1 qemu-user
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine wine64 xvfb xauth imagemagick xdotool
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
