# The libraries that talvek-sim and its tests are built with, and where each comes from:
#   CLI11 (command line)        header-only, Debian's libcli11-dev
#   nlohmann-json (JSON dump)   header-only, Debian's nlohmann-json3-dev
#   stb_image_write.h (PNG)     header-only, Debian's libstb-dev (stb_image.h reads PNGs back in the tests)
#   GoogleTest / GoogleMock     the build machine's libraries (libgtest-dev, libgmock-dev); for a
#                               cross build, built here from the sources of Debian's googletest package
# Defines CLI11::CLI11, nlohmann_json::nlohmann_json, talvek_stb and, with the tests,
# GTest::gtest, GTest::gmock and GTest::gtest_main.

if(CMAKE_CROSSCOMPILING)
  # The build machine's include folder is made for its own system and must not be searched by
  # the cross compiler: the header-only libraries' own files are taken from it through a folder
  # of links that holds nothing else.
  set(TALVEK_HEADER_ONLY_PREFIX /usr/include CACHE PATH
    "Folder of the build machine's header-only libraries (CLI/, nlohmann/, stb/), for a cross build")
  set(linked ${CMAKE_BINARY_DIR}/third-party/include)
  foreach(entry CLI nlohmann stb/stb_image_write.h stb/stb_image.h)
    if(NOT EXISTS ${TALVEK_HEADER_ONLY_PREFIX}/${entry})
      message(FATAL_ERROR "${TALVEK_HEADER_ONLY_PREFIX}/${entry} is missing: run tools/install-deps.sh "
        "(it installs libcli11-dev, nlohmann-json3-dev and libstb-dev)")
    endif()
    cmake_path(GET entry PARENT_PATH parent)
    file(MAKE_DIRECTORY ${linked}/${parent})
    file(CREATE_LINK ${TALVEK_HEADER_ONLY_PREFIX}/${entry} ${linked}/${entry} SYMBOLIC)
  endforeach()
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${linked})
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${linked})
  set(TALVEK_STB_INCLUDE ${linked}/stb)
else()
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
  find_path(TALVEK_STB_INCLUDE stb_image_write.h PATH_SUFFIXES stb
    DOC "Folder of stb_image_write.h (Debian: libstb-dev)")
  if(NOT TALVEK_STB_INCLUDE)
    message(FATAL_ERROR "stb_image_write.h not found: run tools/install-deps.sh (it installs libstb-dev), "
      "or set TALVEK_STB_INCLUDE to the folder that holds it")
  endif()
endif()
# Imported: its headers are a system folder, their warnings are not ours.
add_library(talvek_stb INTERFACE IMPORTED)
set_target_properties(talvek_stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${TALVEK_STB_INCLUDE})

if(TALVEK_TESTS)
  if(CMAKE_CROSSCOMPILING)
    set(TALVEK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
      "GoogleTest's sources (Debian: googletest), built for a cross build")
    if(NOT EXISTS ${TALVEK_GOOGLETEST_SOURCE}/CMakeLists.txt)
      message(FATAL_ERROR "GoogleTest's sources are not in ${TALVEK_GOOGLETEST_SOURCE}: install Debian's "
        "googletest package or set TALVEK_GOOGLETEST_SOURCE")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # Windows' own threads; a POSIX threads library would be one more run-time DLL.
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory(${TALVEK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    foreach(library gtest gtest_main gmock gmock_main)
      # Built with its own warnings, not with this project's warnings as errors.
      set_property(TARGET ${library} PROPERTY COMPILE_OPTIONS "")
    endforeach()
    # GoogleTest's own build names them GTest::gtest, GTest::gtest_main and GTest::gmock.
  else()
    find_package(GTest REQUIRED)
  endif()
endif()
