# What the two mingw-w64 toolchain files share; each sets JPS_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR first.
#
# The win32-threads variant of the compiler is used: the plug-in starts no
# threads, and the posix variant would make the DLL import libwinpthread-1.dll,
# which a host machine does not have. With libgcc and libstdc++ linked
# statically the DLL then imports only KERNEL32.dll and msvcrt.dll.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${JPS_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${JPS_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${JPS_MINGW_PREFIX}-windres)
set(CMAKE_AR ${JPS_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${JPS_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

# x87 arithmetic keeps 80-bit intermediates, so a 32-bit build would round
# some results differently from the 64-bit build. SSE2 doubles round the same
# way on both; every x86 processor since 2001 has it.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_FIND_ROOT_PATH /usr/${JPS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
