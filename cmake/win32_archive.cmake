# The plug-in as the host's users get it: JPS_WIN32_ARCHIVE_NAME.zip in the
# build folder, made with every build, holding the DLL that this build links
# (the same bytes), its export list, the header set (JPS_PUBLIC_HEADERS)
# under include\ at its paths, how to install it into the host, and the
# licence. The texts get Windows line ends.
set(JPS_ARCHIVE ${CMAKE_BINARY_DIR}/${JPS_WIN32_ARCHIVE_NAME}.zip)
set(texts ${CMAKE_BINARY_DIR}/archive_texts)
set(stage ${CMAKE_BINARY_DIR}/archive/${JPS_WIN32_ARCHIVE_NAME})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/archive)
configure_file(${CMAKE_SOURCE_DIR}/packaging/jav_dll-win32.txt ${texts}/INSTALL.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${texts}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)

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
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:jav_dll> ${CMAKE_SOURCE_DIR}/plugin/jav_dll.def
          ${texts}/INSTALL.txt ${texts}/LICENSE.txt ${stage}
  ${copy_headers}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${JPS_ARCHIVE} --format=zip ${JPS_WIN32_ARCHIVE_NAME}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/archive
  DEPENDS jav_dll ${CMAKE_SOURCE_DIR}/plugin/jav_dll.def ${header_sources}
          ${texts}/INSTALL.txt ${texts}/LICENSE.txt
  COMMENT "Packing ${JPS_WIN32_ARCHIVE_NAME}.zip"
  VERBATIM)
add_custom_target(jav_dll_archive ALL DEPENDS ${JPS_ARCHIVE})
