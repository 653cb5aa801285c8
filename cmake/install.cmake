# What `cmake --install` puts under the prefix and what `cpack -G DEB` packs:
#   bin/jpsconv                                the command-line program
#   lib/jav_dll.so                             the plug-in as a Linux shared library
#   include/jav_dll/<header set>               the entry points and host records
#   share/doc/jpsconv/                         README.md, LICENSE (and copyright)
#   share/man/man1/jpsconv.1                   the manual page
#   share/bash-completion/completions/jpsconv  completion of commands and options
include(GNUInstallDirs)

# The header set (JPS_PUBLIC_HEADERS) keeps its paths below include/jav_dll:
# a host compiles with -I<prefix>/include/jav_dll and includes "plugin/jav_dll.h".
set(JPS_HEADER_DIR ${CMAKE_INSTALL_INCLUDEDIR}/jav_dll)
set(JPS_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/jpsconv)

install(TARGETS jav_dll LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
foreach(header ${JPS_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${CMAKE_SOURCE_DIR}/${header} DESTINATION ${JPS_HEADER_DIR}/${folder})
endforeach()

if(JPS_BUILD_TOOLS)
  # The program finds the library relative to itself, wherever the prefix is.
  file(RELATIVE_PATH bin_to_lib /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
  set_target_properties(jpsconv PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_to_lib}")
  install(TARGETS jpsconv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${JPS_DOC_DIR})
# Debian looks for the licence under this name.
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${JPS_DOC_DIR} RENAME copyright)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/jpsconv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/jpsconv.bash
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME jpsconv)

# The Debian package, from the normal build folder: cpack -G DEB
set(JPS_PACKAGE_MAINTAINER "The jps2kel authors <jps2kel@example.org>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGE_NAME jpsconv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${JPS_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_VENDOR "The jps2kel authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GNSS receiver data converter: JPS files to KEL, EPP and STA")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME jpsconv)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The long description; CPack puts the summary line first and indents the rest
# as Debian's control format wants (a blank line becomes " .").
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
jpsconv converts the JPS byte stream that a GREIS-family GNSS receiver
records (GPS and GLONASS) into the files a post-processing host loads: the
binary raw-observation file (KEL), the ephemeris text file (EPP) and the
station-mark text file (STA). It also exports RINEX 3.04, reports the data
quality of a session and simulates receiver sessions.

The package holds the program, the converter as a shared library (jav_dll.so)
with the C++ headers of its five entry points, a manual page and bash
completion.")
include(CPack)
