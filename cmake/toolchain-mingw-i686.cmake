# Cross-compiles the 32-bit Windows plug-in with Debian's mingw-w64 i686 compiler:
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
#         -DJPS_BUILD_TESTS=OFF -DJPS_BUILD_TOOLS=OFF
set(JPS_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_toolchain_common.cmake)
