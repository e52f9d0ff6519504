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

# kasplan_add_postgresql_run(NAME)
# Runs the test program NAME a second time, on the PostgreSQL backend, as the
# test NAME_postgresql (label "postgresql"). The same suite, not a copy: the
# program's test database follows KASPLAN_TEST_BACKEND. Without a test server
# the run is reported as skipped.
function(kasplan_add_postgresql_run name)
    add_test(NAME ${name}_postgresql
             COMMAND ${PROJECT_SOURCE_DIR}/tests/support/on_postgresql.sh $<TARGET_FILE:${name}>)
    get_test_property(${name} ENVIRONMENT environment)
    set_tests_properties(${name}_postgresql PROPERTIES
        TIMEOUT 300
        LABELS postgresql
        SKIP_RETURN_CODE 77
        ENVIRONMENT "${environment}")
endfunction()
