#!/usr/bin/env bash
# Installs what building and testing Marsitel needs, from Debian's packages,
# and lets Wine's 32-bit side start where the kernel runs no 32-bit code (see
# emulate_32bit_where_needed). Does nothing when everything is present
# already.
#   MARSITEL_EMULATE_32BIT=1   registers the emulator even where 32-bit code
#                              runs natively, to try the emulated check there
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

install_missing() {
    local p missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The binfmt_misc entry for 32-bit x86 Linux programs: an ELF file of class
# 32-bit, little-endian, an executable or a shared object (e_type 2 or 3,
# which the mask's 0xfe takes together), machine 3 (EM_386). The other
# identification bytes (version, ABI, padding) are not looked at. F opens the
# emulator now, so that it is found from any mount namespace later.
i386_binfmt_entry() {
    local magic='\x7fELF\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xff\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xfe\xff\xff\xff'
    printf ':%s:M::%s:%s:%s:F' "$i386_binfmt_name" "$magic" "$mask" /usr/bin/qemu-i386-static
}

# Some kernels run no 32-bit code (IA-32 emulation switched off): Wine's
# 32-bit loader then fails with "Exec format error". The kernel hands a
# program to an interpreter registered with binfmt_misc before it tries its
# own loader, so Debian's user-mode emulator, registered for i386 programs,
# runs the loader and everything it starts. A machine that runs 32-bit code
# itself is left alone.
emulate_32bit_where_needed() {
    local mode
    mode=$(wine_32bit_mode)
    [ "$mode" = emulated ] && return 0
    [ "$mode" = native ] && [ "${MARSITEL_EMULATE_32BIT:-}" != 1 ] && return 0
    install_missing qemu-user-static
    local folder=/proc/sys/fs/binfmt_misc
    if [ ! -e "$folder/register" ]; then
        $sudo mount -t binfmt_misc binfmt_misc "$folder" 2>/dev/null || true
    fi
    if [ -e "$folder/register" ] && i386_binfmt_entry | $sudo tee "$folder/register" >/dev/null 2>&1 &&
        [ "$(wine_32bit_mode)" = emulated ]; then
        echo "32-bit programs run under emulation here: qemu-i386-static registered with binfmt_misc as $i386_binfmt_name"
    else
        echo "32-bit programs cannot run here: the kernel runs no 32-bit code and no emulator could be registered with binfmt_misc; the 32-bit tests will be skipped"
    fi
}

install_missing \
    cmake make \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
    wine wine64 wine32:i386 \
    xvfb xauth x11-apps imagemagick \
    fonts-wine fonts-liberation \
    googletest \
    wixl msitools faketime osslsigncode openssl
emulate_32bit_where_needed
