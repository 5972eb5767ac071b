# What a user downloads: Marsitel.exe, stripped, with a short German guide and
# the licence, as a ZIP archive named after the version and the architecture,
# and the same files as a Windows Installer package for IT departments.
#   cpack (in a build folder) writes them to MARSITEL_DIST_DIR.
set(MARSITEL_DIST_DIR "${PROJECT_SOURCE_DIR}/dist" CACHE PATH "Where the release packages go")

# The text files are read with Notepad on Windows 7 too, which knows neither
# lone line feeds nor UTF-8 without a byte order mark.
function(marsitel_windows_text source destination)
    file(READ "${source}" text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    string(ASCII 239 187 191 byteOrderMark)
    file(WRITE "${destination}" "${byteOrderMark}${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
endfunction()

set(marsitel_package_texts "${PROJECT_BINARY_DIR}/package-texts")
marsitel_windows_text("${PROJECT_SOURCE_DIR}/packaging/LIESMICH.txt" "${marsitel_package_texts}/LIESMICH.txt")
marsitel_windows_text("${PROJECT_SOURCE_DIR}/LICENSE" "${marsitel_package_texts}/LICENSE")

install(TARGETS Marsitel RUNTIME DESTINATION .)
install(FILES "${marsitel_package_texts}/LIESMICH.txt" "${marsitel_package_texts}/LICENSE" DESTINATION .)

# One time for every entry of the archive: the last commit's, unless the
# caller sets SOURCE_DATE_EPOCH itself. CMake's archiver uses it for every
# time it records.
set(marsitel_source_date "$ENV{SOURCE_DATE_EPOCH}")
if(marsitel_source_date STREQUAL "")
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
            WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
            OUTPUT_VARIABLE marsitel_source_date OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
endif()

# The architecture's names in the packages' file names, for this build and
# for the packages' tests: the archive's (win32, win64) and the installer
# package's (x86, x64), as wixl names the architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(MARSITEL_PACKAGE_ARCHITECTURE win64)
    set(MARSITEL_INSTALLER_ARCHITECTURE x64)
else()
    set(MARSITEL_PACKAGE_ARCHITECTURE win32)
    set(MARSITEL_INSTALLER_ARCHITECTURE x86)
endif()

# The installer package is built on Linux (scripts/setup.sh installs the tools).
find_program(MARSITEL_WIXL wixl)
find_program(MARSITEL_MSIBUILD msibuild)
find_program(MARSITEL_FAKETIME faketime)
if(MARSITEL_WIXL AND MARSITEL_MSIBUILD AND MARSITEL_FAKETIME)
    set(marsitel_installer ON)
else()
    set(marsitel_installer OFF)
    message(STATUS "wixl, msibuild or faketime missing: cpack writes no installer package")
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Marsitel)
set(CPACK_PACKAGE_VENDOR "Marsitel-Team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME "Marsitel-${PROJECT_VERSION}-${MARSITEL_PACKAGE_ARCHITECTURE}")
# The files sit at the archive's root: Explorer's "Alle extrahieren" makes the
# folder, named after the archive, itself.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX "${MARSITEL_DIST_DIR}")
set(CPACK_MARSITEL_SOURCE_DATE_EPOCH "${marsitel_source_date}")
set(CPACK_MARSITEL_ARCHIVE_ORDER Marsitel.exe LIESMICH.txt LICENSE)
set(CPACK_MARSITEL_INSTALLER ${marsitel_installer})
set(CPACK_MARSITEL_INSTALLER_ARCHITECTURE ${MARSITEL_INSTALLER_ARCHITECTURE})
set(CPACK_MARSITEL_SHORTCUT_ICON "${CMAKE_BINARY_DIR}/bin/marsitel_shortcut_icon${CMAKE_SHARED_MODULE_SUFFIX}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/PackageConfig.cmake")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/PackageSign.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/PackageOrder.cmake" "${CMAKE_CURRENT_LIST_DIR}/PackageInstaller.cmake")
include(CPack)
