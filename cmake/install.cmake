# What `cmake --install` puts into the prefix, the man pages, and the Debian
# package (cpack -G DEB in a native build folder).
#
#   native build   bin/zolt, bin/zolt-pack, share/man/man1/zolt.1.gz and
#                  zolt-pack.1.gz, share/doc/zolt/README.md
#   Windows build  lib/zolt/zolt.exe (where the zolt-pack of the same prefix
#                  looks for the Windows restorer) and bin/zolt-pack.exe
include(GNUInstallDirs)

if(ZOLT_WINDOWS_BUILD)
  # lib/zolt, not CMAKE_INSTALL_LIBDIR: zolt-pack looks exactly there.
  install(TARGETS zolt RUNTIME DESTINATION lib/zolt)
  install(TARGETS zolt-pack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  return()
endif()

install(TARGETS zolt zolt-pack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The project has no mail address of its own yet; a packager gives theirs
# with -DZOLT_PACKAGE_MAINTAINER="Name <address>".
set(ZOLT_PACKAGE_MAINTAINER "ZOLT developers <zolt@localhost>" CACHE STRING
    "The Debian package's maintainer, Name <address>")

# The Debian package's changelog (a native package's changelog.gz): one
# entry for this version, dated when the build folder was configured.
string(TIMESTAMP zolt_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${CMAKE_BINARY_DIR}/package/changelog
  "zolt (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
  "  * ZOLT ${PROJECT_VERSION}: the restorer zolt and the builder zolt-pack.\n\n"
  " -- ${ZOLT_PACKAGE_MAINTAINER}  ${zolt_changelog_date}\n")
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/package/changelog)
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Man pages, from each program's --help by help2man with the sections
# --help cannot carry (man/*.h2m). Built with the programs when help2man is
# there; a build without it (the sample's set-up) makes no man pages.
find_program(HELP2MAN help2man)
option(ZOLT_MAN_PAGES "Make and install the man pages (needs help2man)" ON)
if(ZOLT_MAN_PAGES AND NOT HELP2MAN)
  message(STATUS "help2man not found: no man pages (install help2man for them)")
elseif(ZOLT_MAN_PAGES)
  set(man_pages)
  set(description_zolt "restore a diskette from a self-restoring diskette image")
  set(description_zolt-pack "build and read self-restoring diskette images")
  foreach(program zolt zolt-pack)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${HELP2MAN} -DPROGRAM=$<TARGET_FILE:${program}>
              -DINCLUDE=${CMAKE_SOURCE_DIR}/man/${program}.h2m -DOUTPUT=${page}
              "-DDESCRIPTION=${description_${program}}"
              -P ${CMAKE_SOURCE_DIR}/cmake/make-man-page.cmake
      DEPENDS ${program} ${CMAKE_SOURCE_DIR}/man/${program}.h2m ${CMAKE_SOURCE_DIR}/cmake/make-man-page.cmake
      COMMENT "Man page ${program}(1)")
    list(APPEND man_pages ${page}.gz)
  endforeach()
  add_custom_target(man-pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The Debian package: dependencies from the binaries (dpkg-shlibdeps); cairo
# and libcups are loaded only when something is printed, so they are not
# linked and come as Recommends.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zolt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZOLT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-restoring diskette images")
set(CPACK_PACKAGE_DESCRIPTION
  "ZOLT carries a whole diskette inside one executable and writes it back\n"
  "onto a diskette, formatting while it copies; zolt-pack makes such files\n"
  "for Linux and Windows from an image or a diskette and reads them back.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcairo2, libcups2")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# The restorer is linked stripped already and must keep its exact length;
# zolt-pack is stripped here.
set(CPACK_STRIP_FILES bin/zolt-pack)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
