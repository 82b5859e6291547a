#!/usr/bin/env bash
# Installs what building, testing and the demo need on Debian 12. Idempotent: it calls apt-get
# only when a package is missing. Asks for root through sudo when not run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ googletest libgtest-dev zlib1g-dev clang libclang-rt-14-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
    binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    wine wine64 wine32:i386 qemu-user-static xvfb xdotool x11-utils imagemagick fonts-wine iproute2
    util-linux procps
    nginx-light python3 clang-format python3-pil fonts-dejavu-core fonts-dejavu-extra
    libbenchmark-dev locales osslsigncode openssl libssl-dev
    softhsm2 opensc libengine-pkcs11-openssl
)

sudo=()
((EUID == 0)) || sudo=(sudo)

# The shipped program is 32-bit: its Wine (wine32) comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture"
    "${sudo[@]}" dpkg --add-architecture i386
fi

missing=()
for package in "${packages[@]}"; do
    # One line per installed architecture: a package present for i386 too is still installed.
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -qx 'install ok installed' ||
        missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# The Windows tests run once per user locale, which Wine takes from LANG: generate those locales.
for locale in pt_BR en_US; do
    if ! locale -a 2>/dev/null | grep -qixE "${locale}\.utf-?8"; then
        echo "Generating locale $locale.UTF-8"
        "${sudo[@]}" localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    fi
done
