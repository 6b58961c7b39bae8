# Warnings for the project's own targets only; third-party code keeps its own flags.
function(tesselox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion)
endfunction()

