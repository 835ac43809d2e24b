# Cross-building for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads variant, whose
# std::thread and std::mutex work), linked statically so the programs need no DLL beside them.
# Programs built this way run here under Wine: set KVEN_WINE_PREFIX to the Wine prefix to use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KVEN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KVEN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVEN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KVEN_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KVEN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and test discovery run the programs under Wine, quietly and in the prefix given.
find_program(KVEN_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KVEN_WINE64)
  set(KVEN_WINE_PREFIX "$ENV{WINEPREFIX}" CACHE PATH "Wine prefix for running the tests")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${KVEN_WINE_PREFIX} WINEDEBUG=-all ${KVEN_WINE64})
endif()
