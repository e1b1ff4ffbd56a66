# Adds one folder's sources, named relative to the folder: PORTABLE to the
# portable core, WINDOWS to the Win32 layer, and when the tests are built
# their tests (PORTABLE_TESTS to quill_core_tests, WINDOWS_TESTS to
# quill_win32_tests).
function(quill_add_sources)
    cmake_parse_arguments(PARSE_ARGV 0 ARG "" "" "PORTABLE;PORTABLE_TESTS;WINDOWS;WINDOWS_TESTS")
    if(ARG_PORTABLE)
        target_sources(quill_core PRIVATE ${ARG_PORTABLE})
    endif()
    if(WIN32 AND ARG_WINDOWS)
        target_sources(quill_win32 PRIVATE ${ARG_WINDOWS})
    endif()
    if(QUILL_TESTS AND ARG_PORTABLE_TESTS)
        target_sources(quill_core_tests PRIVATE ${ARG_PORTABLE_TESTS})
    endif()
    if(QUILL_TESTS AND WIN32 AND ARG_WINDOWS_TESTS)
        target_sources(quill_win32_tests PRIVATE ${ARG_WINDOWS_TESTS})
    endif()
endfunction()
