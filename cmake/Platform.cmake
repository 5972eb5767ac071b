# Compiler and linker settings shared by every target: Windows 7 and later,
# Unicode, warnings as errors, C++ runtime linked statically, and nothing of
# the build machine (paths, times) in what the build writes.
add_library(marsitel_platform INTERFACE)
# A Windows preset names its architecture, but the compiler comes from the
# shell (a developer prompt, an MSYS2 shell): a shell of the other
# architecture would build the wrong one without a word.
if(DEFINED MARSITEL_TARGET_BITS)
    math(EXPR marsitel_bits "${CMAKE_SIZEOF_VOID_P} * 8")
    if(NOT marsitel_bits EQUAL MARSITEL_TARGET_BITS)
        message(FATAL_ERROR "This preset builds ${MARSITEL_TARGET_BITS}-bit programs, but ${CMAKE_CXX_COMPILER} "
            "builds ${marsitel_bits}-bit ones: configure from a shell for ${MARSITEL_TARGET_BITS}-bit Windows "
            "(see the preset's display name).")
    endif()
endif()
target_compile_definitions(marsitel_platform INTERFACE
    UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
    _WIN32_WINNT=0x0601 WINVER=0x0601 NTDDI_VERSION=0x06010000)
# Options for the C and C++ compilers only: some generators hand a target's
# compile options to the resource compiler too, which knows none of them.
set(marsitel_code "$<COMPILE_LANGUAGE:C,CXX>")
if(MSVC)
    # /utf-8: the sources are UTF-8 without a byte order mark; without it the
    # compiler reads them as the machine's ANSI code page and garbles every
    # German text. /Brepro: no time stamps in objects and the program.
    target_compile_options(marsitel_platform INTERFACE
        "$<${marsitel_code}:/W4;/WX;/permissive-;/utf-8;/EHsc;/Brepro>")
    # The C runtime's advice to use its own _s functions instead of standard
    # ones (getenv, sscanf) is MSVC's alone; with /WX it would fail the build.
    target_compile_definitions(marsitel_platform INTERFACE _CRT_SECURE_NO_WARNINGS)
    # The resource scripts embed our manifest as resource 1 of type 24. The
    # linker would otherwise generate one of its own and embed it under the
    # same id: a duplicate-resource error, or a default manifest without
    # Common Controls 6 and DPI awareness. Programs without a manifest of
    # ours then carry none, as the MinGW builds do.
    target_link_options(marsitel_platform INTERFACE /MANIFEST:NO /Brepro)
else()
    target_compile_options(marsitel_platform INTERFACE
        "$<${marsitel_code}:-Wall;-Wextra;-Werror;-finput-charset=UTF-8>"
        "$<${marsitel_code}:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=;-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
    # No link time in the PE header, so the same sources give the same
    # program. (Stripping for the release packages writes SOURCE_DATE_EPOCH
    # there, which the packaging sets.)
    target_link_options(marsitel_platform INTERFACE -static -Wl,--no-insert-timestamp)
endif()

# Wine runs the tests when cross-compiling; each build folder has its own
# prefix, so a test never touches ~/.wine.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "${PROJECT_SOURCE_DIR}/scripts/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")
endif()

# Programs whose entry point is wmain or wWinMain (MSVC finds them itself).
function(marsitel_unicode_entry target)
    if(NOT MSVC)
        target_link_options(${target} PRIVATE -municode)
    endif()
endfunction()
