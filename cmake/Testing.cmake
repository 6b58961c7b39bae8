# Natively every GoogleTest case is a test of its own; under Wine a whole program is one test,
# so that Wine starts once per program.
include(GoogleTest)
function(tesselox_add_test target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target})
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
