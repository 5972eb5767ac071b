# Shared part of the MinGW-w64 toolchain files. The posix variants are used
# because std::thread and friends need them; everything is linked statically.
set(CMAKE_C_COMPILER   ${MARSITEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MARSITEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${MARSITEL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MARSITEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
