# tesselox_version_info(TARGET FILE_NAME DESCRIPTION): gives a Windows program or DLL a version
# resource with the project's version, which Windows shows in the file's properties.
function(tesselox_version_info target file_name description)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "EXECUTABLE")
    set(file_type VFT_APP)
  else()
    set(file_type VFT_DLL)
  endif()
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_info.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version_info.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
endfunction()
