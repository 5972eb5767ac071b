# Checks the release packages in DIST_DIR and unpacks the archive of
# ARCHITECTURE into UNPACK_DIR, beside both installer packages, for the
# packaged program's own tests; OBJDUMP reads the program's PE headers.
function(fail message)
    message(FATAL_ERROR "${message}")
endfunction()

foreach(architecture win32 win64)
    set(package "${DIST_DIR}/Marsitel-1.0.0-${architecture}.zip")
    if(NOT EXISTS "${package}")
        fail("${package} is missing: run scripts/package.sh")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E tar tf "${package}" OUTPUT_VARIABLE listing RESULT_VARIABLE result)
    if(NOT result EQUAL 0 OR NOT listing STREQUAL "Marsitel.exe\nLIESMICH.txt\nLICENSE\n")
        fail("${package} holds:\n${listing}")
    endif()
endforeach()
foreach(package Marsitel-1.0.0-win32.zip Marsitel-1.0.0-win64.zip Marsitel-1.0.0-x86.msi Marsitel-1.0.0-x64.msi)
    file(SHA256 "${DIST_DIR}/${package}" hash)
    file(STRINGS "${DIST_DIR}/SHA256SUMS" line REGEX "${package}$")
    if(NOT line STREQUAL "${hash}  ${package}")
        fail("SHA256SUMS has '${line}' for ${package}, whose hash is ${hash}")
    endif()
endforeach()

# What Windows Installer reads from the installer packages (the rows of a
# table, as msiinfo exports them), and the archive's files in them.
function(expect_rows installer table expected)
    execute_process(COMMAND msiinfo export "${installer}" ${table} OUTPUT_VARIABLE rows COMMAND_ERROR_IS_FATAL ANY)
    string(REPLACE "\r\n" "\n" rows "${rows}")
    foreach(header names types keys)
        string(FIND "${rows}" "\n" end)
        math(EXPR end "${end} + 1")
        string(SUBSTRING "${rows}" ${end} -1 rows)
    endforeach()
    if(NOT rows STREQUAL expected)
        fail("${installer}, table ${table}:\n${rows}\nexpected:\n${expected}")
    endif()
endfunction()

function(expect_same file expected what)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${file}" "${expected}" RESULT_VARIABLE different)
    if(different)
        fail("${what}")
    endif()
endfunction()

# folder: where msiextract puts the files (it names only the 32-bit Program
# Files). upgrade_rows: each package finds its own earlier versions to remove
# and later ones to refuse the downgrade with the launch condition's message,
# and the other architecture's installation, of any version, to remove.
function(check_installer a archive platform folder name upgrade_code product_code upgrade_rows)
    set(installer "${DIST_DIR}/Marsitel-1.0.0-${a}.msi")
    expect_rows("${installer}" Property "ALLUSERS\t1
ARPPRODUCTICON\tmarsitel.ico
ARPNOMODIFY\t1
Manufacturer\tMarsitel-Team
ProductLanguage\t1031
ProductCode\t${product_code}
ProductName\t${name}
ProductVersion\t1.0.0
UpgradeCode\t${upgrade_code}
SecureCustomProperties\tWIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;OTHER_ARCHITECTURE_DETECTED
")
    expect_rows("${installer}" Upgrade "${upgrade_rows}")
    expect_rows("${installer}" LaunchCondition "NOT WIX_DOWNGRADE_DETECTED\tEine neuere Version von Marsitel ist bereits installiert.
")
    expect_rows("${installer}" Shortcut "StartMenuShortcut\tProgramMenuFolder\tMarsitel\tProgram\tMarsitel\t\tMarsitel - Beziehungen in Baugruppen entfernen\t\tMarsitelIcon.exe\t\t\tINSTALLDIR\t\t\t\t
")
    execute_process(COMMAND msiinfo export "${installer}" File OUTPUT_VARIABLE files COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND msiinfo suminfo "${installer}" OUTPUT_VARIABLE summary COMMAND_ERROR_IS_FATAL ANY)
    if(NOT files MATCHES "\nMarsitel.exe\tProgram\tMarsitel.exe\t[0-9]+\t1.0.0.0\t1031\t"
       OR NOT summary MATCHES "\nTemplate: ${platform};1031\n")
        fail("${installer} does not give the program's version and language, or its own platform and German:\n${files}\n${summary}")
    endif()

    set(extracted "${UNPACK_DIR}-${a}")
    file(REMOVE_RECURSE "${extracted}")
    execute_process(COMMAND msiextract -C "${extracted}" "${installer}" OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
    if(NOT listing STREQUAL "${folder}/Marsitel.exe\n${folder}/LIESMICH.txt\n${folder}/LICENSE\n")
        fail("${installer} holds:\n${listing}")
    endif()
    file(ARCHIVE_EXTRACT INPUT "${DIST_DIR}/Marsitel-1.0.0-${archive}.zip" DESTINATION "${extracted}/archive")
    foreach(file Marsitel.exe LIESMICH.txt LICENSE)
        expect_same("${extracted}/${folder}/${file}" "${extracted}/archive/${file}" "${file} in ${installer} is not the archive's")
    endforeach()
    execute_process(COMMAND msiinfo extract "${installer}" Icon.marsitel.ico OUTPUT_FILE "${extracted}/icon" COMMAND_ERROR_IS_FATAL ANY)
    expect_same("${extracted}/icon" "${SOURCE_DIR}/ui/res/marsitel.ico" "The icon under installed programs is not the program's")
    file(REMOVE_RECURSE "${extracted}")
endfunction()
check_installer(x86 win32 Intel "Program Files/Marsitel" Marsitel
    "{29D1F120-037E-4B06-B509-3D2A2BA06216}" "{BAF8A9A1-318C-5ADC-BBA2-5E1E2EDCE34E}"
    "{199B9B0E-8C31-40DF-A13A-729A8FD44DD4}\t0.0.0\t\t\t256\t\tOTHER_ARCHITECTURE_DETECTED
{29D1F120-037E-4B06-B509-3D2A2BA06216}\t\t1.0.0\t\t1\t\tWIX_UPGRADE_DETECTED
{29D1F120-037E-4B06-B509-3D2A2BA06216}\t1.0.0\t\t\t2\t\tWIX_DOWNGRADE_DETECTED
")
check_installer(x64 win64 x64 Marsitel "Marsitel (64-Bit)"
    "{199B9B0E-8C31-40DF-A13A-729A8FD44DD4}" "{963D97D4-34B0-5737-9167-7E765844C3DE}"
    "{29D1F120-037E-4B06-B509-3D2A2BA06216}\t0.0.0\t\t\t256\t\tOTHER_ARCHITECTURE_DETECTED
{199B9B0E-8C31-40DF-A13A-729A8FD44DD4}\t\t1.0.0\t\t1\t\tWIX_UPGRADE_DETECTED
{199B9B0E-8C31-40DF-A13A-729A8FD44DD4}\t1.0.0\t\t\t2\t\tWIX_DOWNGRADE_DETECTED
")

file(REMOVE_RECURSE "${UNPACK_DIR}")
file(ARCHIVE_EXTRACT INPUT "${DIST_DIR}/Marsitel-1.0.0-${ARCHITECTURE}.zip" DESTINATION "${UNPACK_DIR}")
file(COPY "${DIST_DIR}/Marsitel-1.0.0-x86.msi" "${DIST_DIR}/Marsitel-1.0.0-x64.msi" DESTINATION "${UNPACK_DIR}")

# Built for address space layout randomisation and data execution
# prevention, as the toolchain does today: one that stopped would pass
# unnoticed otherwise.
execute_process(COMMAND "${OBJDUMP}" -p "${UNPACK_DIR}/Marsitel.exe" OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
set(flags DYNAMIC_BASE NX_COMPAT)
if(ARCHITECTURE STREQUAL "win64")
    list(APPEND flags HIGH_ENTROPY_VA)
endif()
foreach(flag IN LISTS flags)
    if(NOT headers MATCHES "\n\t+${flag}\n")
        fail("Marsitel.exe of ${ARCHITECTURE} is not marked ${flag}")
    endif()
endforeach()

# Text for Windows: a byte order mark, every line ended by CR LF. (Reading
# text, CMake drops carriage returns: the bytes are looked at in hex.)
foreach(text LIESMICH.txt LICENSE)
    file(READ "${UNPACK_DIR}/${text}" hex HEX)
    string(REGEX REPLACE "(..)" "\\1 " bytes "${hex}")
    string(REPLACE "0d 0a " "" withoutLineEnds "${bytes}")
    if(NOT bytes MATCHES "^ef bb bf " OR withoutLineEnds MATCHES "(^| )(0a|0d) " OR NOT bytes MATCHES "0d 0a $")
        fail("${text} is not UTF-8 with a byte order mark and CR LF line ends")
    endif()
endforeach()
file(READ "${UNPACK_DIR}/LICENSE" licence)
if(NOT licence MATCHES "^...MIT License\n\nCopyright \\(c\\) [0-9]+ Marsitel-Team\n")
    fail("LICENSE is not the MIT licence of the Marsitel-Team")
endif()

# Stripped, and nothing of the machine that built it.
file(STRINGS "${UNPACK_DIR}/Marsitel.exe" strings)
string(FIND "${strings}" ".debug_" debugSection)
string(FIND "${strings}" "${SOURCE_DIR}" buildPath)
if(NOT debugSection EQUAL -1 OR NOT buildPath EQUAL -1)
    fail("Marsitel.exe holds debug sections or build paths")
endif()
