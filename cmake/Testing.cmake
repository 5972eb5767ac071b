# GoogleTest from the sources Debian installs, and one helper to add a test
# program whose cases CTest discovers by running it (under Wine here).
set(MARSITEL_GTEST_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(EXISTS "${MARSITEL_GTEST_DIR}/CMakeLists.txt")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory("${MARSITEL_GTEST_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Whether this machine can run the programs we build: 32-bit ones need a
# kernel that runs 32-bit user code, which some virtual machines lack.
set(MARSITEL_CAN_RUN_TESTS ON)
if(CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    execute_process(COMMAND /usr/lib/wine/wine --version
        RESULT_VARIABLE wine32_result OUTPUT_QUIET ERROR_QUIET)
    if(NOT wine32_result EQUAL 0)
        set(MARSITEL_CAN_RUN_TESTS OFF)
        message(STATUS "32-bit Wine cannot run on this machine: tests are built, not run")
    endif()
endif()

function(marsitel_add_gtest target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main marsitel_platform)
    if(MARSITEL_CAN_RUN_TESTS)
        gtest_discover_tests(${target}
            DISCOVERY_MODE PRE_TEST
            DISCOVERY_TIMEOUT 120
            PROPERTIES TIMEOUT 120)
    else()
        add_test(NAME ${target}.not_run COMMAND ${CMAKE_COMMAND} -E echo "32-bit programs cannot run on this machine")
        set_tests_properties(${target}.not_run PROPERTIES SKIP_REGULAR_EXPRESSION "cannot run")
    endif()
endfunction()
