# What the two MinGW-w64 toolchain files share; they set WPCONV_MINGW_TRIPLE first.

# The posix thread model has the whole C++ thread library; -static links its winpthreads in, so
# it adds no DLL. (GoogleTest also enables C.)
set(CMAKE_C_COMPILER ${WPCONV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WPCONV_MINGW_TRIPLE}-g++-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${WPCONV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Not found by name: on a machine that cannot run 32-bit programs, `wine` is the wrong loader for
# either build, so the one to use is given.
if(DEFINED ENV{WPCONV_WINE_LOADER} AND NOT "$ENV{WPCONV_WINE_LOADER}" STREQUAL "")
  set(wpconv_wine_default $ENV{WPCONV_WINE_LOADER})
else()
  set(wpconv_wine_default wine)
endif()
set(WPCONV_WINE ${wpconv_wine_default} CACHE STRING "The Wine loader that runs the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR ${WPCONV_WINE})

# At -O3 this GCC warns falsely about std::string concatenation (GCC bug 105651).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for Release builds")
