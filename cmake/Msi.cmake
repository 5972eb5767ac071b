# Writes Marsitel's Windows Installer package (packaging/Marsitel.wxs) with
# wixl. Used by cpack after it has staged the files (PackageInstaller.cmake)
# and by the installer tests, which package a later version.

# Windows Installer knows Marsitel by these codes, one for each architecture.
# They never change: under another upgrade code, a later version would be
# installed beside the earlier one instead of replacing it. Each package names
# the other architecture's code too, to remove that installation.
set(MARSITEL_UPGRADE_CODE_x86 "29D1F120-037E-4B06-B509-3D2A2BA06216")
set(MARSITEL_UPGRADE_CODE_x64 "199B9B0E-8C31-40DF-A13A-729A8FD44DD4")

# marsitel_write_msi(OUTPUT file VERSION 1.2.3 ARCHITECTURE x86|x64
#     DESCRIPTION text FILES folder SHORTCUT_ICON file)
# FILES holds Marsitel.exe, LIESMICH.txt and LICENSE as they are to be
# installed. The same inputs give the same bytes: every code is derived from
# the upgrade code and every time is SOURCE_DATE_EPOCH's. The product code
# follows the version (a major upgrade needs a new one for each version, and a
# version keeps its own); the package code follows every byte that goes in.
function(marsitel_write_msi)
    cmake_parse_arguments(ARG "" "OUTPUT;VERSION;ARCHITECTURE;DESCRIPTION;FILES;SHORTCUT_ICON" "" ${ARGN})
    if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
        message(FATAL_ERROR "Set SOURCE_DATE_EPOCH: the installer package takes every time from it")
    endif()
    set(upgrade_code ${MARSITEL_UPGRADE_CODE_${ARG_ARCHITECTURE}})
    if(ARG_ARCHITECTURE STREQUAL x64)
        set(other_upgrade_code ${MARSITEL_UPGRADE_CODE_x86})
        set(platform x64)
    else()
        set(other_upgrade_code ${MARSITEL_UPGRADE_CODE_x64})
        set(platform Intel)
    endif()
    set(description "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../packaging/Marsitel.wxs")
    set(icon "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../ui/res/marsitel.ico")

    # wixl finds files by relative names only. Cabinets record each file's
    # modification time.
    set(files "${ARG_OUTPUT}.files")
    file(REMOVE_RECURSE "${files}")
    file(COPY "${ARG_FILES}/Marsitel.exe" "${ARG_FILES}/LIESMICH.txt" "${ARG_FILES}/LICENSE" "${icon}" DESTINATION "${files}")
    file(COPY_FILE "${ARG_SHORTCUT_ICON}" "${files}/MarsitelIcon.exe")
    set(inputs Marsitel.exe LIESMICH.txt LICENSE marsitel.ico MarsitelIcon.exe)
    execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" ${inputs}
        WORKING_DIRECTORY "${files}" COMMAND_ERROR_IS_FATAL ANY)

    file(SHA256 "${description}" contents)
    string(APPEND contents " ${ARG_VERSION} ${ARG_DESCRIPTION}")
    foreach(input IN LISTS inputs)
        file(SHA256 "${files}/${input}" hash)
        string(APPEND contents " ${hash}")
    endforeach()
    string(UUID product_code NAMESPACE ${upgrade_code} NAME "product ${ARG_VERSION}" TYPE SHA1 UPPER)
    string(UUID package_code NAMESPACE ${upgrade_code} NAME "package ${contents}" TYPE SHA1 UPPER)
    set(definitions)
    foreach(component Program Guide Licence)
        string(UUID guid NAMESPACE ${upgrade_code} NAME "component ${component}" TYPE SHA1 UPPER)
        list(APPEND definitions -D "${component}Guid={${guid}}")
    endforeach()

    # wixl stamps the package with the current time and a random package code:
    # faketime stops its clock at SOURCE_DATE_EPOCH, msibuild sets the code.
    string(TIMESTAMP frozen_clock "%Y-%m-%d %H:%M:%S" UTC)
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E env TZ=UTC faketime -f "${frozen_clock}"
            wixl -a ${ARG_ARCHITECTURE} -o "${ARG_OUTPUT}"
            -D "Architecture=${ARG_ARCHITECTURE}" -D "Version=${ARG_VERSION}" -D "Description=${ARG_DESCRIPTION}"
            -D "ProductCode={${product_code}}" -D "UpgradeCode={${upgrade_code}}"
            -D "OtherUpgradeCode={${other_upgrade_code}}" ${definitions}
            "${description}"
        WORKING_DIRECTORY "${files}"
        COMMAND_ERROR_IS_FATAL ANY)
    # The summary's language list is wixl's English unless set, and wixl
    # leaves the program's version out: Windows Installer would then take the
    # program for a document, which it overwrites only while unchanged.
    execute_process(
        COMMAND msibuild "${ARG_OUTPUT}"
            -q "UPDATE `File` SET `Version` = '${ARG_VERSION}.0', `Language` = '1031' WHERE `File` = 'Marsitel.exe'"
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(
        COMMAND msibuild "${ARG_OUTPUT}" -s Marsitel Marsitel-Team "${platform};1031" "{${package_code}}"
        COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${files}")
endfunction()
