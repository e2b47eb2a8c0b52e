# Cross build of the 64-bit Windows program with Debian's MinGW-w64; CTest runs the results
# under 64-bit Wine. Use: cmake -S . -B build/windows64
# -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DWPCONV_WINE=/usr/lib/wine/wine64
# The Wine loader that runs the tests is WPCONV_WINE (a cache variable), else the environment's
# WPCONV_WINE_LOADER (set by scripts/wine-env.sh), else `wine`.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(WPCONV_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
