# Cross-compiles the x64 build of the same sources with Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KELVANE_TRIPLET x86_64-w64-mingw32)
# Wine's 64-bit loader: Debian's wine wrapper would pick the 32-bit one
# whenever wine32 is installed.
set(KELVANE_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
