# Test programs: quill_core_tests (the portable core, native and under Wine),
# quill_win32_tests (the Win32 layer against Wine's real registry and file
# system) and quill_e2e_tests (drives quillborne.exe by its windows).
enable_testing()

if(NOT WIN32)
    find_package(GTest REQUIRED)
else()
    set(QUILL_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources for the Windows build")
    if(NOT TARGET GTest::gtest_main)
        set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
        add_subdirectory(${QUILL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    endif()
endif()

# Test doubles of the platform interfaces (in-memory registry and file
# system, a fixed time zone): for the tests only, never in the product.
add_library(quill_test_support STATIC
    ${CMAKE_SOURCE_DIR}/common/tests/MemoryRegistry.cpp
    ${CMAKE_SOURCE_DIR}/snapshot/tests/MemoryFileSystem.cpp)
target_link_libraries(quill_test_support PUBLIC quill_core)

add_executable(quill_core_tests)
target_link_libraries(quill_core_tests PRIVATE quill_core quill_test_support GTest::gtest_main GTest::gmock)

# Each test program is one CTest test writing its cases to an XML file, so
# that the summary can count cases rather than programs.
function(quill_add_test_program name)
    # A relative path, so that Wine writes it where the Linux side looks.
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:test-results/${name}.xml
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    # Without Wine's menu builder: it answers every shortcut a test installs
    # with registry values and desktop files of Wine's own, which the
    # recordings would rightly report and Windows never writes.
    if(WIN32)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED WinePrefix ENVIRONMENT
            "WINEPREFIX=${QUILL_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=")
    endif()
endfunction()

if(WIN32)
    set(QUILL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Private Wine prefix of the tests")
    find_program(QUILL_WINEBOOT wineboot)
    if(QUILL_WINEBOOT)
        # Creating a prefix takes a while; do it once before any test program.
        add_test(NAME wine_prefix COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${QUILL_WINEPREFIX} WINEDEBUG=-all
                 "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=" sh ${CMAKE_CURRENT_LIST_DIR}/init-wineprefix.sh)
        set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP WinePrefix)
    endif()

    add_executable(quill_win32_tests)
    target_link_libraries(quill_win32_tests PRIVATE quill_win32 GTest::gtest_main GTest::gmock)

    quill_add_test_program(quill_core_tests)
    quill_add_test_program(quill_win32_tests)
else()
    quill_add_test_program(quill_core_tests)
    # The layering check over small checkouts that break each of its rules;
    # Python runs the report's browser test too.
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    add_test(NAME quill_layers_test
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/tests/check_layers_test.py
                     ${CMAKE_BINARY_DIR}/test-results/quill_layers_test.xml)
endif()
