# The toolchain shared by both architectures; the toolchain file of each sets
# QD_ARCH (i686 or x86_64) first. Test executables run through Wine's loader
# for that architecture, named explicitly: the `wine` wrapper would pick the
# 32-bit loader whenever it is installed, even where it can't run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QD_ARCH})

if(QD_ARCH STREQUAL "i686")
  set(MINGW_PREFIX i686-w64-mingw32)
  set(QD_WINE_LOADER /usr/lib/wine/wine)
elseif(QD_ARCH STREQUAL "x86_64")
  set(MINGW_PREFIX x86_64-w64-mingw32)
  set(QD_WINE_LOADER /usr/lib/wine/wine64)
else()
  message(FATAL_ERROR "Unknown architecture '${QD_ARCH}'")
endif()

set(CMAKE_C_COMPILER   ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_PREFIX}-windres)
set(CMAKE_AR           ${MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       ${MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${QD_WINE_LOADER})
