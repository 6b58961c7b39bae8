# The host program end to end: tesselox-host.exe run as its own process on files and streams
# the tests make, under Wine like the module's tests.
add_executable(tesselox_host_end_to_end_test "${CMAKE_CURRENT_LIST_DIR}/host_end_to_end_test.cpp"
                                             "${CMAKE_CURRENT_LIST_DIR}/host_video_test.cpp")
target_link_libraries(tesselox_host_end_to_end_test PRIVATE tesselox_host_io tesselox_test_support
                                                           GTest::gtest_main)
target_include_directories(tesselox_host_end_to_end_test PRIVATE "${PROJECT_SOURCE_DIR}/tests/host")
target_compile_definitions(tesselox_host_end_to_end_test
                           PRIVATE TESSELOX_HOST_PATH="Z:$<TARGET_FILE:tesselox_host>"
                                   TESSELOX_MODULE_PATH="Z:$<TARGET_FILE:tesselox_module>")
add_dependencies(tesselox_host_end_to_end_test tesselox_host)
tesselox_warnings(tesselox_host_end_to_end_test)
tesselox_add_test(tesselox_host_end_to_end_test)

# Runs that go wrong: frames too large for the host, and a module that faults in every way the
# host must survive (built for these tests only).
add_library(tesselox_faulting_module SHARED "${CMAKE_CURRENT_LIST_DIR}/faulting_module.cpp")
set_target_properties(tesselox_faulting_module PROPERTIES PREFIX "" SUFFIX ".auf")
target_include_directories(tesselox_faulting_module PRIVATE "${PROJECT_SOURCE_DIR}")
tesselox_warnings(tesselox_faulting_module)
add_executable(tesselox_host_emergency_test "${CMAKE_CURRENT_LIST_DIR}/host_emergency_test.cpp")
target_link_libraries(tesselox_host_emergency_test PRIVATE GTest::gtest_main)
target_include_directories(tesselox_host_emergency_test
                           PRIVATE "${PROJECT_SOURCE_DIR}" "${PROJECT_SOURCE_DIR}/tests/host")
target_compile_definitions(
  tesselox_host_emergency_test PRIVATE
  TESSELOX_HOST_PATH="Z:$<TARGET_FILE:tesselox_host>"
  TESSELOX_FAULTING_MODULE_PATH="Z:$<TARGET_FILE:tesselox_faulting_module>")
add_dependencies(tesselox_host_emergency_test tesselox_host tesselox_faulting_module)
tesselox_warnings(tesselox_host_emergency_test)
tesselox_add_test(tesselox_host_emergency_test)

# scripts/run as people run it: runs at once, and runs stopped from outside in every way. It
# starts its own virtual displays and Wine prefixes.
add_test(NAME tesselox_run_script COMMAND "${PROJECT_SOURCE_DIR}/tests/scripts/run_test")
set_tests_properties(tesselox_run_script PROPERTIES TIMEOUT 300)
