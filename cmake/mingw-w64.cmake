# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix threads).
# ENTW_QT_WINDOWS names the Qt for Windows to build against.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ENTW_QT_WINDOWS)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(ENTW_QT_WINDOWS)
  list(APPEND CMAKE_FIND_ROOT_PATH "${ENTW_QT_WINDOWS}")
  list(APPEND CMAKE_PREFIX_PATH "${ENTW_QT_WINDOWS}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# moc, rcc and uic come from the host's Qt of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# Tests run under Wine, which finds Qt's and MinGW's DLLs through WINEPATH.
set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run ${ENTW_QT_WINDOWS})
