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
    major=$(emulator_version "$1" | sed -n 's/.* version \([0-9][0-9]*\)\..*/\1/p')
    [ -n "$major" ] && [ "$major" -ge "$i386_emulator_oldest_major" ]
}

# True when an emulator is registered for i386 programs and every one so
# registered is new enough: which of several entries the kernel takes (the
# one registered last) cannot be read from binfmt_misc.
registered_emulators_sound() {
    local emulator found=no
    while read -r emulator; do
        emulator_sound "$emulator" || return 1
        found=yes
    done < <(i386_emulators)
    [ "$found" = yes ]
}

# True when binfmt_misc takes new entries, mounted first where it is not. A
# container without the right to mount it, or with /proc read-only, has it
# not.
binfmt_misc_usable() {
    local folder=/proc/sys/fs/binfmt_misc
    [ -e "$folder/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$folder" 2>/dev/null || true
    $sudo test -w "$folder/register"
}

# Installs the emulator, from bookworm-backports on Debian 12 (added to the
# package sources where missing). False when that fails, with the package
# sources as they were: a source that cannot be reached would fail every
# later apt-get update.
install_emulator() {
    emulator_sound "$i386_emulator" && return 0
    local codename target=() added=""
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    if [ "$codename" = bookworm ]; then
        target=(-t bookworm-backports)
        if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
            added=/etc/apt/sources.list.d/bookworm-backports.list
            echo 'deb http://deb.debian.org/debian bookworm-backports main' | $sudo tee "$added" >/dev/null || return 1
        fi
    fi
    echo "Installing: qemu-user ${target[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "${target[@]}" qemu-user &&
        emulator_sound "$i386_emulator"; then
        return 0
    fi
    [ -z "$added" ] || $sudo rm -f "$added"
    return 1
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

# Registers the emulator, in place of an entry of ours for an older one. An
# entry of another name stays; the kernel tries the one registered last
# first, which is ours then.
register_emulator() {
    local folder=/proc/sys/fs/binfmt_misc
    if [ -e "$folder/$i386_binfmt_name" ]; then
        echo -1 | $sudo tee "$folder/$i386_binfmt_name" >/dev/null 2>&1 || return 1
    fi
    i386_binfmt_entry | $sudo tee "$folder/register" >/dev/null 2>&1 && [ "$(wine_32bit_mode)" = emulated ]
}

# Some kernels run no 32-bit code (IA-32 emulation switched off): Wine's
# 32-bit loader then fails with "Exec format error". The kernel hands a
# program to an interpreter registered with binfmt_misc before it tries its
# own loader, so the user-mode emulator, registered for i386 programs, runs
# the loader and everything it starts. A machine that runs 32-bit code
# itself is left alone, and so is one whose registered emulators are all new
# enough. Where no emulator can be had, that is said in one line and set-up
# goes on: the 32-bit tests are then skipped, or run natively.
emulate_32bit_where_needed() {
    local mode failure
    mode=$(wine_32bit_mode)
    [ "$mode" = native ] && [ "${MARSITEL_EMULATE_32BIT:-}" != 1 ] && return 0
    [ "$mode" = emulated ] && registered_emulators_sound && return 0
    if ! binfmt_misc_usable; then
        failure="binfmt_misc is not to be had here (not mounted and not mountable, or read-only)"
    elif ! install_emulator; then
        failure="qemu-user $i386_emulator_oldest_major.0 or newer could not be installed"
    elif ! register_emulator; then
        failure="binfmt_misc refused the emulator's entry"
    else
        echo "32-bit programs run under emulation here: $(emulator_version "$i386_emulator") registered with binfmt_misc as $i386_binfmt_name"
        return 0
    fi
    case $(wine_32bit_mode) in
        native) echo "No emulator registered for 32-bit programs: $failure; they run natively here, and so do the 32-bit tests" ;;
        emulated) echo "No emulator of ours registered for 32-bit programs: $failure; the one registered before runs them ($(i386_emulators | paste -sd ' ')), and the 32-bit tests may fail under it if it is older than $i386_emulator_oldest_major.0" ;;
        none) echo "32-bit programs cannot run here: the kernel runs no 32-bit code and $failure; the 32-bit tests will be skipped" ;;
    esac
}

install_missing \
    cmake make \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
    wine wine64 wine32:i386 \
    xvfb xauth x11-apps imagemagick \
    fonts-wine fonts-liberation \
    googletest python3 python3-yaml clang-format \
    wixl msitools faketime osslsigncode openssl
emulate_32bit_where_needed
