# Cross build for 64-bit Windows with Debian's MinGW-w64, run under Wine by
# ctest. The whole library, against the Qt that scripts/qt-mingw.sh builds:
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
#         -DCMAKE_PREFIX_PATH=$(scripts/qt-mingw.sh)
# or the Qt-free half alone:
#   cmake -S . -B build/mingw -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
#         -DCVSETTINGS_BUILD_QT=OFF
# The POSIX-thread variant of the compiler, the one that Qt is built with:
# only its libstdc++ has std::mutex, which QtTest uses. The runtimes are
# linked statically into this project's executables and DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CV_MINGW_TRIPLET x86_64-w64-mingw32)

find_program(CV_MINGW_CXX NAMES ${CV_MINGW_TRIPLET}-g++-posix ${CV_MINGW_TRIPLET}-g++
  REQUIRED)
find_program(CV_MINGW_CC NAMES ${CV_MINGW_TRIPLET}-gcc-posix ${CV_MINGW_TRIPLET}-gcc)
find_program(CV_MINGW_WINDRES NAMES ${CV_MINGW_TRIPLET}-windres)
set(CMAKE_CXX_COMPILER ${CV_MINGW_CXX})
if(CV_MINGW_CC)
  set(CMAKE_C_COMPILER ${CV_MINGW_CC})
endif()
if(CV_MINGW_WINDRES)
  set(CMAKE_RC_COMPILER ${CV_MINGW_WINDRES})
endif()

# The MinGW system root, and the prefixes given (the cross-built Qt's), which
# are then searched as they are.
set(CMAKE_FIND_ROOT_PATH /usr/${CV_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Wine's loader runs the test executables; CV_WINE (cache or environment)
# names another one.
if(NOT DEFINED CV_WINE)
  if(DEFINED ENV{CV_WINE})
    set(CV_WINE "$ENV{CV_WINE}")
  elseif(EXISTS /usr/lib/wine/wine64)
    set(CV_WINE /usr/lib/wine/wine64)
  else()
    find_program(CV_WINE NAMES wine64 wine)
  endif()
endif()
set(CV_WINE "${CV_WINE}" CACHE FILEPATH "Wine loader that runs the Windows test executables")
if(CV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CV_WINE})
endif()
