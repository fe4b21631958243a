# vexla_version_resource(target PRODUCT name DESCRIPTION text [ICON file]):
# gives a Windows binary its icon and version information, all from the
# project's one version number. DESCRIPTION may hold \xNNNN escapes for
# characters outside ASCII (the resource compiler reads the file as ASCII).
function(vexla_version_resource target)
  cmake_parse_arguments(V "" "PRODUCT;DESCRIPTION;ICON" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  set(VEXLA_RC_NAME ${target})
  set(VEXLA_RC_PRODUCT ${V_PRODUCT})
  set(VEXLA_RC_DESCRIPTION ${V_DESCRIPTION})
  if(type STREQUAL "SHARED_LIBRARY")
    set(VEXLA_RC_FILENAME ${target}.dll)
    set(VEXLA_RC_FILETYPE VFT_DLL)
  else()
    set(VEXLA_RC_FILENAME ${target}.exe)
    set(VEXLA_RC_FILETYPE VFT_APP)
  endif()
  set(VEXLA_RC_ICON_LINE "")
  if(V_ICON)
    set(VEXLA_RC_ICON_LINE "1 ICON \"${V_ICON}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # What a user sees in the file's properties, read back from the binary.
  if(VEXLA_TESTS)
    find_program(PYTHON3 python3 REQUIRED)
    add_test(NAME ${target}_version_resource
      COMMAND ${PYTHON3} ${PROJECT_SOURCE_DIR}/driver/library/tests/check_version_resource.py
              --file $<TARGET_FILE:${target}> --version ${PROJECT_VERSION} --product ${V_PRODUCT}
              --description "${V_DESCRIPTION}")
  endif()
endfunction()
