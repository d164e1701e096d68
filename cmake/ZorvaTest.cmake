# zorva_test(NAME SOURCES ... LIBS ... [TIMEOUT s] [ENV var=value ...])
# One console test program per test file; CTest runs it under Wine through scripts/wine-run.sh.
function(zorva_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} zorva_test_main zorva_gtest)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "ZORVA_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZORVA_BINARY_DIR=${CMAKE_BINARY_DIR};${T_ENV}")
endfunction()
