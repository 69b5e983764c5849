# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX-threads variant: the core uses
# std::thread). The executables are linked statically so they run without extra DLLs.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DVISTREL_WIN_PREFIX=<folder with FFTW and GoogleTest built for Windows>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

# Libraries built for Windows live under VISTREL_WIN_PREFIX; the host's never match.
set(VISTREL_WIN_PREFIX "" CACHE PATH "Prefix of the libraries cross-built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${VISTREL_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config of the host must not hand out Linux libraries.
set(ENV{PKG_CONFIG_LIBDIR} "${VISTREL_WIN_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(ENV{PKG_CONFIG_PATH} "")

# printf-family with C99 formats (%lld, %Lg, %zu) instead of the old msvcrt ones.
set(VISTREL_WIN_DEFINES "-D__USE_MINGW_ANSI_STDIO=1 -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601")
set(CMAKE_C_FLAGS_INIT "${VISTREL_WIN_DEFINES}")
set(CMAKE_CXX_FLAGS_INIT "${VISTREL_WIN_DEFINES}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine when ctest runs them on this host.
find_program(VISTREL_WINE NAMES wine64 wine)
if(VISTREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VISTREL_WINE})
endif()
