# Cross-compiles the 32-bit product with Debian's mingw-w64 (posix threads).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KELVANE_TRIPLET i686-w64-mingw32)
# Wine's 32-bit loader runs the tests.
set(KELVANE_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
