# Sourced by the scripts: the project-local Wine prefix and its services.
# Usage: source scripts/wine-env.sh BUILD_DIR

# True when $DISPLAY names an X server that answers.
display_usable() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null 2>&1; then
        xdpyinfo >/dev/null 2>&1
    elif command -v xset >/dev/null 2>&1; then
        xset q >/dev/null 2>&1
    fi
}

# The name under which scripts/setup.sh registers an emulator for i386
# programs with binfmt_misc.
i386_binfmt_name=qemu-i386

# How Wine's 32-bit side runs here: "native"; "emulated", by an emulator
# registered for i386 programs with binfmt_misc (the kernel asks binfmt_misc
# before its own loader, so such an entry is used even where the kernel runs
# 32-bit code itself); or "none", where the kernel runs no 32-bit code (some
# virtual machines have IA-32 emulation switched off) and nothing stands in.
wine_32bit_mode() {
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo none
    elif [ -n "$(i386_emulators)" ]; then
        echo emulated
    else
        echo native
    fi
}

# The interpreters of the enabled binfmt_misc entries, under whatever name,
# that take ELF files of 32-bit class for machine 3 (EM_386, bytes 18 and
# 19), one a line.
i386_emulators() {
    local entry
    for entry in /proc/sys/fs/binfmt_misc/*; do
        case ${entry##*/} in register|status|"*") continue ;; esac
        awk '$0 == "enabled" { on = 1 } $1 == "interpreter" { interpreter = $2 } $1 == "offset" { at = $2 }
             $1 == "magic" { magic = $2 }
             END { if (on && at == 0 && substr(magic, 1, 10) == "7f454c4601" && substr(magic, 37, 4) == "0300") print interpreter }' \
            "$entry" 2>/dev/null
    done
}

# The first line of what emulator $1 says of its version. Debian's own
# binfmt_misc entries name links such as /usr/libexec/qemu-binfmt/i386-binfmt-P,
# which run only from binfmt_misc, so a link is followed to the emulator itself.
emulator_version() {
    "$(readlink -f "$1")" --version 2>/dev/null | head -n 1
}

# The machine type of Windows program $1, from its PE header: 8664 for x64,
# 014c for x86.
pe_machine() {
    local offset
    offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' '
}

wine_prefix_up() {
    local build_dir=$1
    export WINEPREFIX=$build_dir/wineprefix
    export WINEDEBUG=-all
    # No menu entries on the host for the shortcuts that the installer
    # tests create.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINELOADER=/usr/lib/wine/wine64
    # A prefix made while Wine's 32-bit side could not start lacks its
    # 32-bit system files for good (wineboot -u does not add them): 32-bit
    # programs then fail at once, "could not load kernel32.dll". Once that
    # side starts (an emulator registered since), the prefix is made anew.
    if [ -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] &&
        [ "$(wine_32bit_mode)" != none ]; then
        echo "Making Wine prefix $WINEPREFIX anew: it has no 32-bit system files"
        /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
        /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX"
    # One wineserver for the whole run: starting one per test costs seconds.
    /usr/lib/wine/wineserver -p 2>/dev/null || true  # one may be up already
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating Wine prefix $WINEPREFIX"
        /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
        # COM servers never get registered in the running object table of
        # the server session that created the prefix: start a new session.
        /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
        /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
        /usr/lib/wine/wineserver -p 2>/dev/null || true
    fi
    # Without a window manager, Wine waits for one on every hide or destroy
    # of a managed window; unmanaged windows do not wait.
    if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' \
            /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    fi
    wine_fonts_linked
    # Start Wine's services now, so that the first COM server of the run
    # does not race RpcSs coming up.
    /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 || true
    local i
    for i in $(seq 1 50); do
        wine_rpcss_running && break
        sleep 0.2
    done
}

# A program that crashes ends at once. Where no debugger is named, Wine
# starts its own (winedbg --auto), which writes a backtrace and, under a slow
# emulator, takes minutes to start; an empty name starts none.
wine_crash_debugger_off() {
    local view
    for view in 64 32; do
        "$WINELOADER" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d "" /f /reg:$view \
            >/dev/null 2>&1 || true
    done
}

# Wine draws the caption buttons, scroll arrows and check marks with its
# Marlett font, and its stand-ins for Windows' own fonts come with it
# (fonts-wine, in /usr/share/wine/fonts/). Debian's Wine 8 is built with the
# font folder "../fonts" beside its data folder and asks for
# "\??\Z:\usr\share\wine\../fonts", a name NtCreateFile rejects
# (STATUS_OBJECT_NAME_INVALID under WINEDEBUG=+file), and fontconfig does not
# index /usr/share/wine/fonts/. So Wine finds none of its fonts, draws "Marlett"
# with Liberation Mono (WINEDEBUG=+font) and the close button's glyph comes
# out as a plain "r". The prefix's Fonts folder, where Windows keeps its
# fonts, is searched before all others. The TrueType faces only: Wine draws
# its bitmap MS Sans Serif without the bold that Windows gives it, so the
# dialog's bold headings would come out thin.
wine_fonts_linked() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts font
    mkdir -p "$fonts"
    for font in /usr/share/wine/fonts/*.ttf; do
        [ -e "$font" ] || continue
        [ -e "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/"
    done
}

# True when this prefix's RpcSs runs; other prefixes' do not count.
wine_rpcss_running() {
    local pid
    for pid in $(pgrep -f 'rpcss.exe'); do
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}

wine_prefix_down() {
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
}
