# A folder's headers included by the folder's name ("host/driver_library.h"):
# the target gets an include root of its own that holds only a link to the
# folder, so the name says where a header lives and nothing else of the tree
# becomes includable by the way.
function(vexla_include_root target scope folder)
  string(REPLACE "/" "_" root_name ${folder})
  set(root ${CMAKE_BINARY_DIR}/include-roots/${root_name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${root})
endfunction()
