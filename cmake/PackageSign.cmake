# Run by cpack once the files are staged (and stripped), before anything is
# packed: with a code-signing certificate in MARSITEL_SIGN_PFX, the program
# is signed here, so that the archive and the installer package carry the
# same signed program. Without one, nothing changes.
if("$ENV{MARSITEL_SIGN_PFX}" STREQUAL "")
    return()
endif()
execute_process(
    COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../scripts/sign.sh" "${CPACK_TEMPORARY_DIRECTORY}/Marsitel.exe"
    COMMAND_ERROR_IS_FATAL ANY)
