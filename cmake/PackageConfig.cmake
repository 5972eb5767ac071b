# Read by cpack before it packages: the archive's entries all get the source's
# time, so the same commit gives the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT CPACK_MARSITEL_SOURCE_DATE_EPOCH STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} "${CPACK_MARSITEL_SOURCE_DATE_EPOCH}")
endif()
