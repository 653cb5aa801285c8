# Cross-builds the 32-bit Windows plug-in and dll_host beside the native build
# (folder win32/) and prepares a private wine prefix, so that the tests can
# run both builds on the same inputs and compare what they produce.
#
# JPS_WINE_TESTS: AUTO (the default) enables this when the mingw-w64 i686
# compiler, its objdump and a 32-bit wine are installed; ON requires them;
# OFF leaves the Windows build out.
set(JPS_WINE_TESTS AUTO CACHE STRING "Cross-build the Windows DLL and compare it under wine: AUTO, ON or OFF")
set_property(CACHE JPS_WINE_TESTS PROPERTY STRINGS AUTO ON OFF)

set(JPS_WINE_TESTS_ENABLED OFF)
if(NOT JPS_WINE_TESTS STREQUAL "OFF")
  find_program(JPS_MINGW_CXX i686-w64-mingw32-g++-win32)
  find_program(JPS_MINGW_OBJDUMP i686-w64-mingw32-objdump)
  find_program(JPS_WINE wine)
  find_program(JPS_WINEBOOT wineboot)
  find_program(JPS_WINESERVER wineserver)
  # Debian's wine runs 32-bit programs only with the loader of package wine32.
  find_program(JPS_WINE32_LOADER wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine
               NO_DEFAULT_PATH)
  set(missing "")
  foreach(tool JPS_MINGW_CXX JPS_MINGW_OBJDUMP JPS_WINE JPS_WINEBOOT JPS_WINESERVER
               JPS_WINE32_LOADER)
    if(NOT ${tool})
      list(APPEND missing ${tool})
    endif()
  endforeach()
  if(missing STREQUAL "")
    set(JPS_WINE_TESTS_ENABLED ON)
  elseif(JPS_WINE_TESTS STREQUAL "ON")
    message(FATAL_ERROR "JPS_WINE_TESTS=ON but not found: ${missing}")
  else()
    message(STATUS "Windows DLL tests off (not found: ${missing})")
  endif()
endif()

if(JPS_WINE_TESTS_ENABLED)
  message(STATUS "Windows DLL tests on: cross build in ${CMAKE_BINARY_DIR}/win32")
  include(ExternalProject)
  set(JPS_WIN32_DIR ${CMAKE_BINARY_DIR}/win32)
  ExternalProject_Add(jav_dll_win32
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${JPS_WIN32_DIR}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake
      -DCMAKE_BUILD_TYPE=Release
      -DJPS_BUILD_TESTS=OFF
      -DJPS_BUILD_TOOLS=OFF
      -DJPS_BUILD_DLL_HOST=ON
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  set(JPS_WIN32_DLL ${JPS_WIN32_DIR}/jav_dll.dll)
  set(JPS_WIN32_HOST ${JPS_WIN32_DIR}/tools/dll_host.exe)

  # wine's first start sets up its prefix, which takes a while: done once here.
  set(JPS_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(JPS_WINE_ENV WINEPREFIX=${JPS_WINEPREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")
  add_custom_command(
    OUTPUT ${JPS_WINEPREFIX}.stamp
    COMMAND ${CMAKE_COMMAND} -E env ${JPS_WINE_ENV} ${JPS_WINEBOOT} -i
    COMMAND ${CMAKE_COMMAND} -E env ${JPS_WINE_ENV} ${JPS_WINESERVER} -w
    COMMAND ${CMAKE_COMMAND} -E touch ${JPS_WINEPREFIX}.stamp
    COMMENT "Setting up the wine prefix ${JPS_WINEPREFIX}"
    VERBATIM)
  add_custom_target(jps_wine_prefix ALL DEPENDS ${JPS_WINEPREFIX}.stamp)
endif()
