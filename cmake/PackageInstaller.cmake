# Run by cpack after the archive: the Windows Installer package of the same
# staged files beside it, signed when a certificate is given (see
# PackageSign.cmake).
if(NOT CPACK_MARSITEL_INSTALLER)
    return()
endif()
include("${CMAKE_CURRENT_LIST_DIR}/Msi.cmake")
set(installer "${CPACK_OUTPUT_FILE_PREFIX}/Marsitel-${CPACK_PACKAGE_VERSION}-${CPACK_MARSITEL_INSTALLER_ARCHITECTURE}.msi")
marsitel_write_msi(OUTPUT "${installer}"
    VERSION "${CPACK_PACKAGE_VERSION}"
    ARCHITECTURE ${CPACK_MARSITEL_INSTALLER_ARCHITECTURE}
    DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}"
    FILES "${CPACK_TEMPORARY_DIRECTORY}"
    SHORTCUT_ICON "${CPACK_MARSITEL_SHORTCUT_ICON}")
if(NOT "$ENV{MARSITEL_SIGN_PFX}" STREQUAL "")
    execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../scripts/sign.sh" "${installer}"
        COMMAND_ERROR_IS_FATAL ANY)
endif()
message(STATUS "- installer package: ${installer} generated.")
