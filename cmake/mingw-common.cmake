# Shared by both toolchain files, which set KELVANE_TRIPLET and the loader.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KELVANE_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVANE_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVANE_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELVANE_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every test executable runs under Wine through the emulator, with the
# build's own prefix; scripts/test provides the X display and the wineserver.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec;${CMAKE_BINARY_DIR}/wineprefix;${KELVANE_WINE_LOADER}")
