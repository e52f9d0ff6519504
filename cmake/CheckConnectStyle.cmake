# Fails when a source file connects through SIGNAL()/SLOT() strings.
file(GLOB_RECURSE sources ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h
     ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/bench/*.cpp)
set(offenders "")
foreach(file ${sources})
    file(STRINGS ${file} lines REGEX "(^|[^A-Za-z_])(SIGNAL|SLOT)[ \t]*\\(")
    if(lines)
        list(APPEND offenders ${file})
    endif()
endforeach()
if(offenders)
    message(FATAL_ERROR "String-based connect in: ${offenders}")
endif()
