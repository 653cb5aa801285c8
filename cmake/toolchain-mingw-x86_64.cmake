# Cross-compiles the 64-bit Windows build with Debian's mingw-w64 x86_64
# compiler. The host is 32-bit; this build is what the tests run under wine64
# on machines that cannot execute 32-bit x86 code.
set(JPS_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_toolchain_common.cmake)
