# talvek-sim, the host library and the tests built for Windows (natively with MinGW or Visual
# Studio, or cross-compiled with MinGW, see the windows preset).

# Windows finds a program's DLLs beside it: talvek-sim, the host library, the tests and MinGW's
# run-time libraries share one folder. The modules stay in ROOT/Modules, where the host loads them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(MINGW)
  # MinGW's C++ run-time DLLs, where the compiler has them (a cross compiler does; a native
  # MinGW finds them on the search path).
  set(runtime)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${found}" AND EXISTS "${found}")
      list(APPEND runtime ${found})
    endif()
  endforeach()
  if(runtime)
    file(COPY ${runtime} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  endif()
endif()

if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  # The programs of a cross build run under Wine (Debian's wine64), in a Wine folder of the
  # build's own so that nothing of the user's is touched: the tests' discovery while building,
  # and the tests themselves. Without Wine the build still builds; the tests cannot run.
  find_program(TALVEK_WINE NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH
    DOC "Wine's 64-bit loader, which runs the cross-built programs")
  if(TALVEK_WINE)
    # WINEDEBUG: Wine's own diagnostics stay out of the programs' output. WINEDLLOVERRIDES: no
    # .NET or HTML engine to install into the new Wine folder.
    # WINEPATH: the folder of the programs the tests need that Debian has for Linux only (gnuplot,
    # see tests/wine/), on the search path of the programs run.
    set(TALVEK_WINE_PATH ${CMAKE_BINARY_DIR}/wine-path)
    set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINELOADER=${TALVEK_WINE}
      WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= WINEPATH=Z:${TALVEK_WINE_PATH} ${TALVEK_WINE})
    # The build tree's paths compiled into the programs (the default root, the tests' files) as
    # the programs see them: Wine shows the build machine's / as drive Z:. A path without its
    # drive would be looked for on the drive of the current folder, which may be another.
    set(TALVEK_PROGRAM_PATH_PREFIX "Z:" CACHE STRING
      "Put before the build tree's paths compiled into the programs: Wine's drive of the build machine's /")
  else()
    message(WARNING "wine64 not found: the Windows programs are built but their tests cannot run here; "
      "run tools/install-deps.sh --windows (it installs wine64)")
  endif()
endif()
