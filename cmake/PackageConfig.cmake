# Read by cpack before it packages, so that the same commit gives the same
# bytes whoever packages it and wherever: every entry of the archive gets the
# source's time, and ZIP's local times are taken in one time zone.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT CPACK_MARSITEL_SOURCE_DATE_EPOCH STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} "${CPACK_MARSITEL_SOURCE_DATE_EPOCH}")
endif()
set(ENV{TZ} UTC)
