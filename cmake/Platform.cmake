# Compiler and linker settings shared by every target: Windows 7 and later,
# Unicode, warnings on, C++ runtime linked statically.
add_library(marsitel_platform INTERFACE)
target_compile_definitions(marsitel_platform INTERFACE
    UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
    _WIN32_WINNT=0x0601 WINVER=0x0601 NTDDI_VERSION=0x06010000)
if(MSVC)
    target_compile_options(marsitel_platform INTERFACE /W4 /permissive- /utf-8 /EHsc)
else()
    target_compile_options(marsitel_platform INTERFACE -Wall -Wextra -finput-charset=UTF-8)
    target_link_options(marsitel_platform INTERFACE -static)
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
