# talvek_host_api for a build against a simulator installation's SDK (ORBITER_SDK_DIR): the SDK's
# headers in place of host/, and its libraries in place of the headless host library.
#
# Two SDKs are known, told apart by the platform and checked against the headers:
#   windows     the simulator's own SDK (its OrbiterAPI.h includes windows.h): Windows builds, with
#               Visual Studio or cross-compiled with cmake/mingw-w64.cmake. Modules link the
#               simulator's import library orbiter.lib and Orbitersdk.lib.
#   linux-port  the SDK of the simulator's Linux port: Linux builds. Modules link only the static
#               libOrbitersdk.a; their oapi and VESSEL symbols bind to the simulator's executable
#               when it loads them, so there is no import library.
# TALVEK_SDK_KIND names the one in use; cmake/VesselModule.cmake names the modules after it.

cmake_path(ABSOLUTE_PATH ORBITER_SDK_DIR NORMALIZE OUTPUT_VARIABLE TALVEK_SDK_DIR)
foreach(header OrbiterAPI.h VesselAPI.h)
  if(NOT EXISTS ${TALVEK_SDK_DIR}/include/${header})
    message(FATAL_ERROR
      "ORBITER_SDK_DIR is ${TALVEK_SDK_DIR}, but ${TALVEK_SDK_DIR}/include/${header} is missing. "
      "ORBITER_SDK_DIR must name the simulator's Orbitersdk folder, the one that holds include/ "
      "and lib/.")
  endif()
endforeach()

file(STRINGS ${TALVEK_SDK_DIR}/include/OrbiterAPI.h sdk_windows_include REGEX "^[ \t]*#[ \t]*include[ \t]*<windows\\.h>")
if(WIN32)
  if(NOT sdk_windows_include)
    message(FATAL_ERROR
      "ORBITER_SDK_DIR is ${TALVEK_SDK_DIR}, which holds the SDK of the simulator's Linux port (its "
      "OrbiterAPI.h does not include windows.h); a Windows build needs the SDK of the simulator "
      "installed on Windows.")
  endif()
  set(TALVEK_SDK_KIND windows)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  if(sdk_windows_include)
    message(FATAL_ERROR
      "ORBITER_SDK_DIR is ${TALVEK_SDK_DIR}, which holds the SDK of the simulator on Windows (its "
      "OrbiterAPI.h includes windows.h), and this is a Linux build. For the simulator on Windows, "
      "configure with Visual Studio, or cross-compile with -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake; "
      "for the simulator's Linux port, name the Orbitersdk folder of its installation.")
  endif()
  set(TALVEK_SDK_KIND linux-port)
else()
  message(FATAL_ERROR
    "ORBITER_SDK_DIR is set, but this build is for ${CMAKE_SYSTEM_NAME}: the simulator's SDK is "
    "built for Windows, and its port's for Linux.")
endif()

# A library found under an earlier ORBITER_SDK_DIR must not outlive it in the cache.
if(DEFINED CACHE{TALVEK_SDK_DIR_SEARCHED} AND NOT TALVEK_SDK_DIR_SEARCHED STREQUAL TALVEK_SDK_DIR)
  unset(ORBITER_IMPORT_LIB CACHE)
  unset(ORBITERSDK_LIB CACHE)
endif()
set(TALVEK_SDK_DIR_SEARCHED ${TALVEK_SDK_DIR} CACHE INTERNAL "")

# The SDK's own names: tried as given first, then with the platform's prefixes and suffixes.
# NO_CMAKE_FIND_ROOT_PATH: a cross toolchain must not re-root a folder the user named.
set(missing)
if(TALVEK_SDK_KIND STREQUAL "windows")
  find_library(ORBITER_IMPORT_LIB NAMES orbiter.lib orbiter
    PATHS ${TALVEK_SDK_DIR}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_library(ORBITERSDK_LIB NAMES Orbitersdk.lib Orbitersdk orbitersdk
    PATHS ${TALVEK_SDK_DIR}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ORBITER_IMPORT_LIB)
    list(APPEND missing "${TALVEK_SDK_DIR}/lib/orbiter.lib (the simulator's import library)")
  endif()
  if(NOT ORBITERSDK_LIB)
    list(APPEND missing "${TALVEK_SDK_DIR}/lib/Orbitersdk.lib (the SDK's library for modules)")
  endif()
  set(sdk_libraries ${ORBITER_IMPORT_LIB} ${ORBITERSDK_LIB})
else()
  find_library(ORBITERSDK_LIB NAMES libOrbitersdk.a
    PATHS ${TALVEK_SDK_DIR}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ORBITERSDK_LIB)
    list(APPEND missing "${TALVEK_SDK_DIR}/lib/libOrbitersdk.a (the SDK's library for modules)")
  endif()
  set(sdk_libraries ${ORBITERSDK_LIB})
endif()
if(missing)
  list(JOIN missing "; " missing)
  message(FATAL_ERROR
    "ORBITER_SDK_DIR is ${TALVEK_SDK_DIR}, but this is missing: ${missing}. ORBITER_SDK_DIR must "
    "name the simulator's Orbitersdk folder, the one that holds include/ and lib/.")
endif()

# The shim: each of the project's host/ headers becomes host/sdk/<kind>.h, which includes the SDK
# instead and adds the few names the module has from host/.
set(TALVEK_SDK_SHIM ${CMAKE_BINARY_DIR}/sdk-shim)
set(shim_source ${PROJECT_SOURCE_DIR}/host/sdk/${TALVEK_SDK_KIND}.h)
file(GLOB host_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/*.h)
set(shim_headers)
foreach(header ${host_headers})
  cmake_path(GET header FILENAME name)
  configure_file(${shim_source} ${TALVEK_SDK_SHIM}/host/${name} COPYONLY)
  list(APPEND shim_headers ${TALVEK_SDK_SHIM}/host/${name})
endforeach()
# A shim left from a host header that is gone would hide the sources' error.
file(GLOB old_shim_headers ${TALVEK_SDK_SHIM}/host/*)
list(REMOVE_ITEM old_shim_headers ${shim_headers})
if(old_shim_headers)
  file(REMOVE ${old_shim_headers})
endif()

talvek_module_include_root(TALVEK_MODULE_INCLUDE)
add_library(talvek_host_api INTERFACE)
# "host/orbiter.h" resolves to the shim and so to the SDK; the module's own folders come from
# the include root. The SDK itself is a system folder, its warnings are not ours.
target_include_directories(talvek_host_api INTERFACE ${TALVEK_SDK_SHIM} ${TALVEK_MODULE_INCLUDE})
target_include_directories(talvek_host_api SYSTEM INTERFACE ${TALVEK_SDK_DIR}/include)
target_link_libraries(talvek_host_api INTERFACE ${sdk_libraries})
if(TALVEK_SDK_KIND STREQUAL "windows")
  # windows.h, which the SDK includes, would otherwise make min and max macros.
  target_compile_definitions(talvek_host_api INTERFACE NOMINMAX)
  if(NOT MSVC)
    # The SDK is written for Microsoft's compiler.
    target_compile_options(talvek_host_api INTERFACE -fms-extensions)
  endif()
  if(MINGW)
    # A DLL dropped into Modules/ must not need MinGW's run-time DLLs beside it.
    add_link_options(-static-libgcc -static-libstdc++)
  endif()
  message(STATUS "Building Talvek.dll, TalvekStage.dll and dravomessage.dll against the simulator's "
    "SDK in ${TALVEK_SDK_DIR}")
else()
  message(STATUS "Building libTalvek.so, libTalvekStage.so and dravomessage.so against the SDK of "
    "the simulator's Linux port in ${TALVEK_SDK_DIR}")
endif()
