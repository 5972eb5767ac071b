# Run by cpack after it has written the archive. CPack 3.25 adds the staged
# files in the order the file system lists them, which differs between
# machines; the archive is written again, by the same archiver, in a fixed
# order. A staged file missing from that order stops the packaging rather
# than going missing from the archive.
file(GLOB staged RELATIVE "${CPACK_TEMPORARY_DIRECTORY}" "${CPACK_TEMPORARY_DIRECTORY}/*")
set(ordered ${CPACK_MARSITEL_ARCHIVE_ORDER})
list(SORT staged)
list(SORT ordered)
if(NOT staged STREQUAL ordered)
    message(FATAL_ERROR "Staged files (${staged}) differ from the archive order (${CPACK_MARSITEL_ARCHIVE_ORDER})")
endif()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E tar cf "${package}" --format=zip -- ${CPACK_MARSITEL_ARCHIVE_ORDER}
        WORKING_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}"
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Could not write ${package} in a fixed order")
    endif()
endforeach()
