# Reads the list of tests CTest runs in the build folder BUILD (the
# GoogleTest cases discovered from their executables included) and fails,
# naming them, when a test has no timeout of its own.
#
#   cmake -DCTEST=<ctest> -DBUILD=<build folder> -P EveryTestHasATimeout.cmake
if(NOT CTEST OR NOT BUILD)
  message(FATAL_ERROR "usage: cmake -DCTEST=<ctest> -DBUILD=<build folder> -P EveryTestHasATimeout.cmake")
endif()

execute_process(COMMAND ${CTEST} --show-only=json-v1
  WORKING_DIRECTORY ${BUILD}
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result
  TIMEOUT 100)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ctest could not list the tests (${result}): ${errors}")
endif()

string(JSON count ERROR_VARIABLE json_error LENGTH "${listing}" tests)
if(json_error OR count EQUAL 0)
  message(FATAL_ERROR "ctest listed no tests: ${json_error}")
endif()

set(without "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON name GET "${listing}" tests ${i} name)
  # A test executable not built yet stands in as <target>_NOT_BUILT, a test
  # that fails by itself; its cases are judged once it is built.
  if(name MATCHES "_NOT_BUILT$")
    continue()
  endif()
  set(timeout "")
  string(JSON properties ERROR_VARIABLE no_properties GET "${listing}" tests ${i} properties)
  if(NOT no_properties)
    string(JSON property_count LENGTH "${properties}")
    if(property_count GREATER 0)
      math(EXPR last_property "${property_count} - 1")
      foreach(j RANGE ${last_property})
        string(JSON property GET "${properties}" ${j} name)
        if(property STREQUAL "TIMEOUT")
          string(JSON timeout GET "${properties}" ${j} value)
        endif()
      endforeach()
    endif()
  endif()
  if(timeout STREQUAL "" OR timeout LESS_EQUAL 0)
    list(APPEND without "${name}")
  endif()
endforeach()

list(LENGTH without missing)
if(missing GREATER 0)
  list(JOIN without "\n  " names)
  message(FATAL_ERROR "${missing} of ${count} tests have no timeout:\n  ${names}")
endif()
message(STATUS "all ${count} tests have a timeout")
