# The installed layout: one folder holding the programs with their language files and
# help documents (the program finds them beside its own executable), links to the
# programs in bin/, and the desktop entry, icon and metainfo where desktops look.
include(GNUInstallDirs)

# lib/foldermate, not Debian's multiarch lib folder: that one is for libraries.
set(FM_INSTALL_DIR lib/foldermate)

set(FM_PROGRAMS foldermate foldermate-scan foldermate-settings foldermate-sync)
foreach(program ${FM_PROGRAMS})
  install(TARGETS ${program} RUNTIME DESTINATION ${FM_INSTALL_DIR})
  # A relative link, so that the tree works under any prefix and inside a package.
  set(link ${CMAKE_BINARY_DIR}/install-links/${program})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
  file(CREATE_LINK ../${FM_INSTALL_DIR}/${program} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(DIRECTORY ${FM_DATA_DIR}/Lang/ DESTINATION ${FM_INSTALL_DIR}/Lang)
install(DIRECTORY ${FM_DATA_DIR}/Help/ DESTINATION ${FM_INSTALL_DIR}/Help)

set(FM_APP_ID org.foldermate.Foldermate)
install(FILES ${FM_DATA_DIR}/${FM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${FM_DATA_DIR}/${FM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${FM_DATA_DIR}/icons/foldermate.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${FM_APP_ID}.svg)
foreach(size 16 32 48 64 128 256)
  install(FILES ${FM_DATA_DIR}/icons/foldermate-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${FM_APP_ID}.png)
endforeach()

# The licence as Debian wants it, where dpkg and lintian look for it.
# The changelog, compressed without a date so that two builds make the same file.
install(FILES ${FM_DATA_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/foldermate)
configure_file(${FM_DATA_DIR}/changelog ${CMAKE_BINARY_DIR}/doc/changelog COPYONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/doc/changelog
  DEPENDS ${FM_DATA_DIR}/changelog VERBATIM)
add_custom_target(fm_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/foldermate)

# Bash completion: one script for the three command-line programs, under each name, so
# that bash-completion finds it for whichever is typed first.
foreach(program foldermate-scan foldermate-sync foldermate-settings)
  install(FILES ${FM_DATA_DIR}/completion/foldermate.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
endforeach()

# The manual pages, made by cmake/ManPages.cmake.
if(FM_MAN_PAGES)
  install(FILES ${FM_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# A Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME foldermate)
set(CPACK_PACKAGE_VENDOR "The Foldermate developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Compare two folder trees and bring them into line")
# Lines of at most 80 characters, as Debian wants them.
set(CPACK_PACKAGE_DESCRIPTION "Foldermate compares a source and a destination folder tree, lists missing,\nnewer, duplicate and conflicting files on each side, and copies, updates or\ndeletes them to the trash.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Foldermate developers <foldermate@invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own buttons and menus in the language the user picks.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_STRIP_FILES ON)
include(CPack)
