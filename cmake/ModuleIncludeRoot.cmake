# talvek_module_include_root(OUT_VAR [host]): makes the folder that the module's sources include
# from, and sets OUT_VAR to it. It holds links to the module's own folders (and to host/ when
# "host" is given; a build against the SDK takes host/ from its shim instead), and nothing of
# sim/, so "#include "sim/..."" in a module source fails to compile.
#
# Where the file system cannot make links (Windows without the right to), the project root is
# used instead: that build still works, only the boundary is then kept by the Linux builds.
set(TALVEK_MODULE_FOLDERS carrier messages spacecraft stage)

function(talvek_module_include_root out)
  set(root ${CMAKE_BINARY_DIR}/module-include)
  set(folders ${TALVEK_MODULE_FOLDERS})
  if(ARGN STREQUAL "host")
    list(APPEND folders host)
  endif()
  file(MAKE_DIRECTORY ${root})
  # A link left from a configuration with other folders must not stay visible.
  file(GLOB old_links LIST_DIRECTORIES true ${root}/*)
  foreach(link ${old_links})
    cmake_path(GET link FILENAME name)
    if(NOT name IN_LIST folders)
      file(REMOVE ${link})
    endif()
  endforeach()
  foreach(folder ${folders})
    if(IS_SYMLINK ${root}/${folder})
      file(READ_SYMLINK ${root}/${folder} target)
      if(target STREQUAL ${PROJECT_SOURCE_DIR}/${folder})
        continue()
      endif()
      file(REMOVE ${root}/${folder})
    endif()
    if(NOT EXISTS ${root}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} RESULT failed SYMBOLIC)
      if(failed)
        message(STATUS "No link ${root}/${folder} (${failed}): module sources include from the project root")
        set(${out} ${PROJECT_SOURCE_DIR} PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${out} ${root} PARENT_SCOPE)
endfunction()
