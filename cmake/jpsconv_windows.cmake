# jpsconv.exe, included by tools/CMakeLists.txt after add_executable(jpsconv).
#
# It binds the plug-in's entry points to jav_dll.dll as the Linux program
# binds them to jav_dll.so (JPSCONV_PLUGIN comes first on its link line).
# The 32-bit DLL exports them by the names plugin/jav_dll.def gives
# (_ConvertFile@12), which are not the names a stdcall call refers to
# (ConvertFile@12), so the import library is made from that file with each
# name mapped to its export.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  file(STRINGS ${CMAKE_SOURCE_DIR}/plugin/jav_dll.def exports REGEX "^ +_[A-Za-z]+@[0-9]+ = ")
  set(def "LIBRARY jav_dll.dll\nEXPORTS\n")
  foreach(line ${exports})
    string(REGEX REPLACE "^ +(_[A-Za-z]+@[0-9]+) = ([A-Za-z]+@[0-9]+)$" "  \\2 == \\1" entry "${line}")
    string(APPEND def "${entry}\n")
  endforeach()
  set(import_def ${CMAKE_BINARY_DIR}/jav_dll_import.def)
  set(import_library ${CMAKE_BINARY_DIR}/libjav_dll_import.a)
  file(WRITE ${import_def} "${def}")
  find_program(JPS_DLLTOOL ${JPS_MINGW_PREFIX}-dlltool REQUIRED)
  add_custom_command(OUTPUT ${import_library}
    COMMAND ${JPS_DLLTOOL} -d ${import_def} -l ${import_library}
    DEPENDS ${import_def} ${CMAKE_SOURCE_DIR}/plugin/jav_dll.def
    COMMENT "Import library of jav_dll.dll's decorated exports"
    VERBATIM)
  add_custom_target(jav_dll_import DEPENDS ${import_library})
  add_dependencies(jpsconv jav_dll_import jav_dll)
  set(JPSCONV_PLUGIN ${import_library})
endif()

# The compiler's runtime is linked in, as in the DLL, so that the program
# imports only system DLLs and jav_dll.dll; CommandLineToArgvW is in shell32.
target_link_options(jpsconv PRIVATE -static-libgcc -static-libstdc++)
target_link_libraries(jpsconv PRIVATE shell32)
# The program's own texts (RINEX, reports, summaries) are formatted by
# mingw-w64's C99 printf, linked in: it takes %zu and %lld and rounds and
# prints numbers as the Linux C library does, which msvcrt.dll does not.
target_compile_definitions(jpsconv PRIVATE __USE_MINGW_ANSI_STDIO=1)
# The build's program runs where it is built: the DLL goes beside it.
add_custom_command(TARGET jpsconv POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:jav_dll> $<TARGET_FILE_DIR:jpsconv>
  VERBATIM)
