# The plug-in and the command-line program as Windows users get them:
# JPS_WIN32_ARCHIVE_NAME.zip in the build folder, made with every build,
# holding the DLL that this build links (the same bytes), its export list,
# jpsconv.exe (which uses that DLL), the header set (JPS_PUBLIC_HEADERS)
# under include\ at its paths, how to install the plug-in into the host, the
# README and the licence. The texts get Windows line ends.
set(JPS_ARCHIVE ${CMAKE_BINARY_DIR}/${JPS_WIN32_ARCHIVE_NAME}.zip)
set(texts ${CMAKE_BINARY_DIR}/archive_texts)
set(stage ${CMAKE_BINARY_DIR}/archive/${JPS_WIN32_ARCHIVE_NAME})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/archive)
set(archive_texts INSTALL.txt README.txt LICENSE.txt)
configure_file(${CMAKE_SOURCE_DIR}/packaging/jav_dll-win32.txt ${texts}/INSTALL.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/README.md ${texts}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${texts}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
list(TRANSFORM archive_texts PREPEND ${texts}/)

# The binaries: the DLL, and the program when this build makes it.
set(archive_binaries $<TARGET_FILE:jav_dll>)
set(archive_targets jav_dll)
if(TARGET jpsconv)
  list(APPEND archive_binaries $<TARGET_FILE:jpsconv>)
  list(APPEND archive_targets jpsconv)
endif()

set(copy_headers "")
set(header_sources "")
foreach(header ${JPS_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  list(APPEND copy_headers
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/include/${folder}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/${header} ${stage}/include/${header})
  list(APPEND header_sources ${CMAKE_SOURCE_DIR}/${header})
endforeach()

add_custom_command(
  OUTPUT ${JPS_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${JPS_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
  COMMAND ${CMAKE_COMMAND} -E copy ${archive_binaries} ${CMAKE_SOURCE_DIR}/plugin/jav_dll.def
          ${archive_texts} ${stage}
  ${copy_headers}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${JPS_ARCHIVE} --format=zip ${JPS_WIN32_ARCHIVE_NAME}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/archive
  DEPENDS ${archive_targets} ${CMAKE_SOURCE_DIR}/plugin/jav_dll.def ${header_sources}
          ${archive_texts}
  COMMENT "Packing ${JPS_WIN32_ARCHIVE_NAME}.zip"
  VERBATIM)
add_custom_target(jav_dll_archive ALL DEPENDS ${JPS_ARCHIVE})
