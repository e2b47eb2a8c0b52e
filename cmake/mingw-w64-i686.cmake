# Cross build of the 32-bit Windows program with Debian's MinGW-w64; CTest runs the results
# under Wine. Use: cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
# The Wine loader that runs the tests is WPCONV_WINE (a cache variable), else the environment's
# WPCONV_WINE_LOADER (set by scripts/wine-env.sh), else `wine`.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(WPCONV_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
