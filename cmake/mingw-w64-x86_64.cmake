# Cross-builds the Windows programs on Debian with mingw-w64 (posix threads),
# with the C and C++ runtimes linked statically so each .exe needs only system
# DLLs. The programs and tests run here under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUERNFOLD_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUERNFOLD_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUERNFOLD_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUERNFOLD_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${QUERNFOLD_MINGW_TRIPLET}-gcc-ar-posix)
set(CMAKE_RANLIB ${QUERNFOLD_MINGW_TRIPLET}-gcc-ranlib-posix)

# Headers and libraries of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUERNFOLD_MINGW_TRIPLET} ${QUERNFOLD_WINDOWS_STAGING})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs the cross-built tests through Wine, in the project's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine)
