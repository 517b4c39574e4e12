# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 in its POSIX threads variant
# (x86_64-w64-mingw32-g++-posix, in g++-mingw-w64-x86-64): its standard library has std::thread
# and std::mutex, which GoogleTest needs; the programs then need libwinpthread-1.dll beside them,
# which the build copies there. The windows preset builds with it.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_C_COMPILER ${TALVEK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALVEK_MINGW_PREFIX}-g++-posix)
