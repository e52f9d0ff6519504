# kasplan_add_test(NAME SOURCES file... LIBS lib...)
# One QtTest program per unit of behaviour, registered with CTest in a fixed,
# screenless environment so results never depend on the developer's desktop.
function(kasplan_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=nl_NL.UTF-8;LANG=nl_NL.UTF-8;TZ=Europe/Amsterdam;ASAN_OPTIONS=detect_leaks=1:halt_on_error=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
