#!/usr/bin/env bash
# Installs what building and testing Marsitel needs, from Debian's packages,
# and lets Wine's 32-bit side start where the kernel runs no 32-bit code (see
# emulate_32bit_where_needed). Does nothing when everything is present
# already.
#   MARSITEL_EMULATE_32BIT=1   registers the emulator even where 32-bit code
#                              runs natively, to try the emulated 32-bit tests there
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

# The user-mode emulator for i386 programs, and the oldest version of it that
# runs 32-bit Wine soundly. Debian 12's own (7.2) hands Wine's fault handler
# faults without their trap number ("Got unexpected trap -1"), so that a
# refused COM call, which Wine's RPC raises as an exception, crashes the
# thread that gets it, and threads now and then find another thread's state
# where their own should be. Version 10.0, in bookworm-backports, does
# neither, and starts a 32-bit Wine process in about a second rather than a
# minute. From Debian 9.1 on, qemu-user's emulators are static themselves.
i386_emulator=/usr/bin/qemu-i386
i386_emulator_oldest_major=10

# True when emulator $1 is there and new enough.
emulator_sound() {
    local major
    major=$("$1" --version 2>/dev/null | sed -n '1s/.* version \([0-9][0-9]*\)\..*/\1/p')
    [ -n "$major" ] && [ "$major" -ge "$i386_emulator_oldest_major" ]
}

# Installs the emulator, from bookworm-backports on Debian 12 (added to the
# package sources where missing).
install_emulator() {
    emulator_sound "$i386_emulator" && return 0
    local codename target=()
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    if [ "$codename" = bookworm ]; then
        target=(-t bookworm-backports)
        if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
            echo 'deb http://deb.debian.org/debian bookworm-backports main' |
                $sudo tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
        fi
    fi
    echo "Installing: qemu-user ${target[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    $sudo apt-get install -y -q --no-install-recommends "${target[@]}" qemu-user
}

# The binfmt_misc entry for 32-bit x86 Linux programs: an ELF file of class
# 32-bit, little-endian, an executable or a shared object (e_type 2 or 3,
# which the mask's 0xfe takes together), machine 3 (EM_386). The other
# identification bytes (version, ABI, padding) are not looked at. F opens the
# emulator now, so that it is found from any mount namespace later.
i386_binfmt_entry() {
    local magic='\x7fELF\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xff\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xfe\xff\xff\xff'
    printf ':%s:M::%s:%s:%s:F' "$i386_binfmt_name" "$magic" "$mask" "$i386_emulator"
}

# Some kernels run no 32-bit code (IA-32 emulation switched off): Wine's
# 32-bit loader then fails with "Exec format error". The kernel hands a
# program to an interpreter registered with binfmt_misc before it tries its
# own loader, so the user-mode emulator, registered for i386 programs, runs
# the loader and everything it starts. A machine that runs 32-bit code
# itself is left alone; an entry of ours for an emulator too old is replaced.
emulate_32bit_where_needed() {
    local mode folder=/proc/sys/fs/binfmt_misc ours
    mode=$(wine_32bit_mode)
    ours=$(sed -n 's/^interpreter //p' "$folder/$i386_binfmt_name" 2>/dev/null) || true
    if [ "$mode" = emulated ]; then
        [ -z "$ours" ] || emulator_sound "$ours" && return 0
    fi
    [ "$mode" = native ] && [ "${MARSITEL_EMULATE_32BIT:-}" != 1 ] && return 0
    install_emulator
    if [ ! -e "$folder/register" ]; then
        $sudo mount -t binfmt_misc binfmt_misc "$folder" 2>/dev/null || true
    fi
    if [ -n "$ours" ]; then
        echo -1 | $sudo tee "$folder/$i386_binfmt_name" >/dev/null 2>&1 || true
    fi
    if emulator_sound "$i386_emulator" && [ -e "$folder/register" ] &&
        i386_binfmt_entry | $sudo tee "$folder/register" >/dev/null 2>&1 &&
        [ "$(wine_32bit_mode)" = emulated ]; then
        echo "32-bit programs run under emulation here: $($i386_emulator --version | head -n 1) registered with binfmt_misc as $i386_binfmt_name"
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
