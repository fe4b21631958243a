# What the Linux package installs, and the package itself (make dist runs
# cpack -G DEB in the dist-linux build). The programs find the driver
# beside themselves or, installed, through the system's library search.
if(WIN32)
  return()
endif()
# Debian's name for the package's documentation folder.
set(CMAKE_INSTALL_DOCDIR share/doc/vexla)
include(GNUInstallDirs)
install(TARGETS Vexla LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/vexla.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
foreach(program gaugesim kestrow pellin vexla-rec vexla-station)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/user-guide.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The bindings a user copies into a project, without our tests and build files.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/bindings/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/bindings
        PATTERN tests EXCLUDE PATTERN CMakeLists.txt EXCLUDE PATTERN __pycache__ EXCLUDE)

set(CPACK_PACKAGE_NAME vexla)
set(CPACK_PACKAGE_VENDOR Vexla)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Acquisition driver for networks of digital dial gauges")
set(CPACK_PACKAGE_DESCRIPTION "libVexla.so, the driver that host programs load to read up to 32 digital dial gauges on one serial line, with its C header, the terminal monitor kestrow, the test host pellin, the recorder vexla-rec, the inspection station vexla-station and the gauge-network simulator gaugesim.")
set(CPACK_PACKAGE_CONTACT "Vexla <support@vexla.example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared libraries the binaries need, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)
include(CPack)
