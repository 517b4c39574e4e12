# talvek_vessel_module(NAME SOURCES ... LINK ...): a vessel module as the host loads it. A shared
# library that exports the eight entry points and nothing else (exports.map beside the caller's
# sources), named after the class file's Module name in Modules/ with no per-configuration folder
# ($<1:> keeps multi-configuration generators from adding one): Modules/<NAME>.dll for the
# simulator on Windows, Modules/<NAME>.so for talvek-sim, and Modules/lib<NAME>.so for the
# simulator's Linux port, which adds the prefix to the Module name when it loads one.
function(talvek_vessel_module name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;LINK")
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINK} talvek_host_api)
  set(prefix "")
  if(TALVEK_SDK_KIND STREQUAL "linux-port")
    set(prefix "lib")
  endif()
  if(NOT WIN32)
    # On Windows the entry points' DLLCLBK (dllexport) already decides what is exported.
    target_link_options(${name} PRIVATE -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
    set_target_properties(${name} PROPERTIES LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
    # Under the sanitizers the runtime comes with the executable, and in the Linux port the host's
    # functions do: a module then keeps undefined references, bound when it is loaded.
    if(NOT TALVEK_SANITIZE AND NOT APPLE AND NOT TALVEK_SDK_KIND STREQUAL "linux-port")
      target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
  set_target_properties(${name} PROPERTIES
    PREFIX "${prefix}"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY $<1:${TALVEK_ROOT}/Modules>)
  install(TARGETS ${name} LIBRARY DESTINATION Modules RUNTIME DESTINATION Modules)
endfunction()
