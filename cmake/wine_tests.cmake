# Cross-builds the 32-bit Windows plug-in, jpsconv.exe and dll_host beside
# the native build (folder win32/) and prepares a private wine prefix, so that
# the tests can run both builds on the same inputs and compare what they
# produce.
#
# JPS_WINE_TESTS: AUTO (the default) enables this when the mingw-w64 i686
# compiler, its objdump and wine are installed; ON requires them; OFF leaves
# the Windows build out.
#
# Which Windows build runs under wine depends on the machine. Where it can
# execute 32-bit x86 programs, the 32-bit build itself runs under 32-bit wine.
# Some virtual machines cannot (the kernel refuses 32-bit programs, or hands
# them to a user-mode emulator in which wine does not start): there the 64-bit
# Windows build of the same sources (folder win64/) runs under wine64 instead,
# and the 32-bit build is still checked without running it (its export and
# import tables, the archive that ships it).
set(JPS_WINE_TESTS AUTO CACHE STRING "Cross-build the Windows DLL and compare it under wine: AUTO, ON or OFF")
set_property(CACHE JPS_WINE_TESTS PROPERTY STRINGS AUTO ON OFF)

set(JPS_WINE_TESTS_ENABLED OFF)
if(NOT JPS_WINE_TESTS STREQUAL "OFF")
  find_program(JPS_MINGW_CXX i686-w64-mingw32-g++-win32)
  find_program(JPS_MINGW_OBJDUMP i686-w64-mingw32-objdump)
  find_program(JPS_WINE_COMMAND wine)
  find_program(JPS_WINESERVER wineserver)
  # Debian's wine keeps its 32-bit loader (package wine32) and its 64-bit one
  # (package wine64) here; /usr/bin/wine picks the 32-bit one whenever it is
  # installed, so the 64-bit build is run by its loader itself.
  find_program(JPS_WINE32_LOADER wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine
               NO_DEFAULT_PATH)
  find_program(JPS_WINE64_LOADER wine64 PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine
               NO_DEFAULT_PATH)
  find_program(JPS_MINGW64_CXX x86_64-w64-mingw32-g++-win32)

  # Can this machine run the 32-bit build? The loader must start natively.
  set(JPS_RUNS_32BIT OFF)
  if(JPS_WINE32_LOADER)
    execute_process(COMMAND ${JPS_WINE32_LOADER} --version RESULT_VARIABLE rc
                    OUTPUT_QUIET ERROR_QUIET TIMEOUT 60)
    set(emulated OFF)
    if(EXISTS /proc/sys/fs/binfmt_misc/qemu-i386)
      file(STRINGS /proc/sys/fs/binfmt_misc/qemu-i386 state LIMIT_COUNT 1)
      if(state STREQUAL "enabled")
        set(emulated ON)
      endif()
    endif()
    if(rc STREQUAL "0" AND NOT emulated)
      set(JPS_RUNS_32BIT ON)
    endif()
  endif()

  set(missing "")
  foreach(tool JPS_MINGW_CXX JPS_MINGW_OBJDUMP JPS_WINE_COMMAND JPS_WINESERVER)
    if(NOT ${tool})
      list(APPEND missing ${tool})
    endif()
  endforeach()
  if(NOT JPS_RUNS_32BIT)
    foreach(tool JPS_WINE64_LOADER JPS_MINGW64_CXX)
      if(NOT ${tool})
        list(APPEND missing "${tool} (this machine cannot run 32-bit programs)")
      endif()
    endforeach()
  endif()
  if(missing STREQUAL "")
    set(JPS_WINE_TESTS_ENABLED ON)
  elseif(JPS_WINE_TESTS STREQUAL "ON")
    message(FATAL_ERROR "JPS_WINE_TESTS=ON but not found: ${missing}")
  else()
    message(STATUS "Windows DLL tests off (not found: ${missing})")
  endif()
endif()

# One cross build of the plug-in, jpsconv.exe and dll_host in folder dir.
function(jps_windows_build target dir toolchain)
  ExternalProject_Add(${target}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${dir}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/${toolchain}
      -DCMAKE_BUILD_TYPE=Release
      -DJPS_BUILD_TESTS=OFF
      -DJPS_BUILD_TOOLS=ON
      -DJPS_BUILD_DLL_HOST=ON
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
endfunction()

if(JPS_WINE_TESTS_ENABLED)
  include(ExternalProject)
  set(JPS_WIN32_DIR ${CMAKE_BINARY_DIR}/win32)
  jps_windows_build(jav_dll_win32 ${JPS_WIN32_DIR} toolchain-mingw-i686.cmake)
  set(JPS_WIN32_DLL ${JPS_WIN32_DIR}/jav_dll.dll)
  set(JPS_WIN32_HOST ${JPS_WIN32_DIR}/tools/dll_host.exe)
  set(JPS_WIN32_JPSCONV ${JPS_WIN32_DIR}/tools/jpsconv.exe)

  if(JPS_RUNS_32BIT)
    message(STATUS "Windows DLL tests on: the 32-bit build (${JPS_WIN32_DIR}) under wine")
    set(JPS_WINE_BUILD_TARGET jav_dll_win32)
    set(JPS_WINE_DLL ${JPS_WIN32_DLL})
    set(JPS_WINE_HOST ${JPS_WIN32_HOST})
    set(JPS_WINE_JPSCONV ${JPS_WIN32_JPSCONV})
    # Debian's wine command, which takes the 32-bit loader.
    set(JPS_WINE ${JPS_WINE_COMMAND})
    set(JPS_WINE_EXTRA_ENV "")
    set(arch win32)
  else()
    set(JPS_WIN64_DIR ${CMAKE_BINARY_DIR}/win64)
    message(STATUS "Windows DLL tests on: this machine cannot run 32-bit programs; "
                   "the 64-bit build (${JPS_WIN64_DIR}) runs under wine64, "
                   "the 32-bit build (${JPS_WIN32_DIR}) is checked without running it")
    jps_windows_build(jav_dll_win64 ${JPS_WIN64_DIR} toolchain-mingw-x86_64.cmake)
    set(JPS_WINE_BUILD_TARGET jav_dll_win64)
    set(JPS_WINE_DLL ${JPS_WIN64_DIR}/jav_dll.dll)
    set(JPS_WINE_HOST ${JPS_WIN64_DIR}/tools/dll_host.exe)
    set(JPS_WINE_JPSCONV ${JPS_WIN64_DIR}/tools/jpsconv.exe)
    # The 64-bit loader itself, named for the programs wine starts too.
    set(JPS_WINE ${JPS_WINE64_LOADER})
    set(JPS_WINE_EXTRA_ENV WINEARCH=win64 WINELOADER=${JPS_WINE64_LOADER})
    set(arch win64)
  endif()

  # wine's first start sets up its prefix, which takes a while: done once here.
  # One prefix per architecture: wine will not run 64-bit programs in a 32-bit one.
  set(JPS_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix-${arch})
  set(JPS_WINE_ENV WINEPREFIX=${JPS_WINEPREFIX} ${JPS_WINE_EXTRA_ENV}
      WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")
  add_custom_command(
    OUTPUT ${JPS_WINEPREFIX}.stamp
    COMMAND ${CMAKE_COMMAND} -E env ${JPS_WINE_ENV} ${JPS_WINE} wineboot -i
    COMMAND ${CMAKE_COMMAND} -E env ${JPS_WINE_ENV} ${JPS_WINESERVER} -w
    COMMAND ${CMAKE_COMMAND} -E touch ${JPS_WINEPREFIX}.stamp
    COMMENT "Setting up the wine prefix ${JPS_WINEPREFIX}"
    VERBATIM)
  add_custom_target(jps_wine_prefix ALL DEPENDS ${JPS_WINEPREFIX}.stamp)
endif()
