# Header-only libraries come from the build machine's /usr/include. A cross build must not see
# all of /usr/include, so each library's folder is linked into a folder of its own.
set(TESSELOX_SYSTEM_INCLUDE "${CMAKE_BINARY_DIR}/system-include")
foreach(lib boost)
  if(EXISTS "/usr/include/${lib}" AND NOT EXISTS "${TESSELOX_SYSTEM_INCLUDE}/${lib}")
    file(MAKE_DIRECTORY "${TESSELOX_SYSTEM_INCLUDE}")
    file(CREATE_LINK "/usr/include/${lib}" "${TESSELOX_SYSTEM_INCLUDE}/${lib}" SYMBOLIC)
  endif()
endforeach()
add_library(tesselox_third_party INTERFACE)
target_include_directories(tesselox_third_party SYSTEM INTERFACE "${TESSELOX_SYSTEM_INCLUDE}")

# GoogleTest from source, so that the same version builds natively and for Windows.
if(TESSELOX_TESTS AND NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
endif()
