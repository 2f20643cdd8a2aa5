# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which Qt's threads need). Used for Qt itself and for this project.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CAC_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CAC_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CAC_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CAC_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${CAC_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${CAC_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Headers and libraries come from the MinGW sysroot and from the cross-built
# Qt (CAC_WINDOWS_QT, or CMAKE_PREFIX_PATH); programs run on this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${CAC_MINGW_TRIPLET})
if(DEFINED ENV{CAC_WINDOWS_QT})
    list(APPEND CMAKE_FIND_ROOT_PATH $ENV{CAC_WINDOWS_QT})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
