# Writes OUTPUT, the installer package of version 1.0.1 of ARCHITECTURE, from
# PROGRAM (that version's Marsitel.exe), the package texts in TEXTS and
# SHORTCUT_ICON, the way the release packaging writes 1.0.0.
include("${CMAKE_CURRENT_LIST_DIR}/../../cmake/Msi.cmake")
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} 1700000000)
endif()
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(REMOVE_RECURSE "${folder}")
file(MAKE_DIRECTORY "${folder}/files")
file(COPY_FILE "${PROGRAM}" "${folder}/files/Marsitel.exe")
file(COPY "${TEXTS}/LIESMICH.txt" "${TEXTS}/LICENSE" DESTINATION "${folder}/files")
marsitel_write_msi(OUTPUT "${OUTPUT}" VERSION 1.0.1 ARCHITECTURE ${ARCHITECTURE}
    DESCRIPTION "Marsitel - Beziehungen in Baugruppen entfernen"
    FILES "${folder}/files" SHORTCUT_ICON "${SHORTCUT_ICON}")
