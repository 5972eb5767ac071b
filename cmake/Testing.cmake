# GoogleTest from the system where it has one (Debian installs the sources,
# other systems a package), else fetched at a pinned release (Visual Studio
# on a machine with a network), and one helper to add a test program whose
# cases CTest discovers by running it (under Wine here).
set(MARSITEL_GTEST_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
# The tests link the C++ runtime statically, like the program.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(CMAKE_POLICY_DEFAULT_CMP0091 NEW)
if(EXISTS "${MARSITEL_GTEST_DIR}/CMakeLists.txt")
    add_subdirectory("${MARSITEL_GTEST_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
else()
    find_package(GTest QUIET)
    if(NOT GTest_FOUND)
        include(FetchContent)
        FetchContent_Declare(googletest
            URL https://github.com/google/googletest/archive/refs/tags/v1.14.0.tar.gz
            URL_HASH SHA256=8ad598c73ad796e0d8280b082cebd82a630d73e73cd3c70057938a6501bba5d7
            SYSTEM)
        FetchContent_MakeAvailable(googletest)
    endif()
endif()
include(GoogleTest)

# The release packages' tests check what scripts/package.sh wrote on Linux
# (wixl and msitools make the installer packages): builds on Windows have no
# packages to test.
option(MARSITEL_PACKAGE_TESTS "Test the release packages in MARSITEL_DIST_DIR" ON)

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

# A test that CTest reports as skipped where MARSITEL_CAN_RUN_TESTS is off.
function(marsitel_add_test_not_run name)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "32-bit programs cannot run on this machine")
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "cannot run")
endfunction()

# TEST_PROPERTIES are set on every discovered case. Every test program has
# the helpers of tests/support.
function(marsitel_add_gtest target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;TEST_PROPERTIES" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES} marsitel_test_support GTest::gtest GTest::gtest_main marsitel_platform)
    if(MARSITEL_CAN_RUN_TESTS)
        gtest_discover_tests(${target}
            DISCOVERY_MODE PRE_TEST
            DISCOVERY_TIMEOUT 120
            PROPERTIES TIMEOUT 120 ${ARG_TEST_PROPERTIES})
    else()
        marsitel_add_test_not_run(${target}.not_run)
    endif()
endfunction()
