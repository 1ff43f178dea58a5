# Included by the top-level CMakeLists.txt (same scope): the install rules and the package.
# Installation: the program under libexec, its data under share/kaziro, and a
# launcher in bin that starts the program in its data folder; beside them the
# desktop entry, icons, AppStream metainfo, manual page, copyright and changelog.
# The meeting server kaziro-meet goes to bin with its manual page and a
# systemd unit (not enabled: whoever runs a server enables it).
include(GNUInstallDirs)
# Installing (and packaging) takes what was built; it does not start a build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(KAZIRO_PROGRAM_SUBDIR ${CMAKE_INSTALL_LIBEXECDIR}/kaziro)
set(KAZIRO_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/kaziro)
# The program finds its data and its translations relative to itself, so the
# installed tree can be moved as a whole.
file(RELATIVE_PATH KAZIRO_DATA_FROM_PROGRAM ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kaziro
     ${CMAKE_INSTALL_FULL_DATADIR}/kaziro)
file(RELATIVE_PATH KAZIRO_LOCALE_FROM_PROGRAM ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kaziro
     ${CMAKE_INSTALL_FULL_LOCALEDIR})
set_property(SOURCE ${PROJECT_SOURCE_DIR}/platform/data_files.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  KAZIRO_DATA_FROM_PROGRAM="${KAZIRO_DATA_FROM_PROGRAM}"
  KAZIRO_LOCALE_FROM_PROGRAM="${KAZIRO_LOCALE_FROM_PROGRAM}")
configure_file(${PROJECT_SOURCE_DIR}/dist/kaziro.in ${CMAKE_BINARY_DIR}/launcher/kaziro @ONLY)
install(TARGETS kaziro RUNTIME DESTINATION ${KAZIRO_PROGRAM_SUBDIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/launcher/kaziro DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kaziro-meet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# systemd looks for units under <prefix>/lib/systemd/system for /usr and /usr/local alike;
# the unit names the program without a folder, which systemd finds in either bin.
install(FILES ${PROJECT_SOURCE_DIR}/dist/kaziro-meet.service DESTINATION lib/systemd/system)
install(DIRECTORY ${CMAKE_BINARY_DIR}/Graphic ${CMAKE_BINARY_DIR}/Sound
        DESTINATION ${KAZIRO_DATA_SUBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/kaziro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 64 256)
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}/kaziro.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/dist/example.kaziro.Kaziro.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual page and the changelog are installed compressed, as Debian wants
# them: gzip -9n (no name or time stamp, so the same text gives the same bytes).
find_program(KAZIRO_GZIP gzip REQUIRED)
set(KAZIRO_DOC_BUILD_DIR ${CMAKE_BINARY_DIR}/dist)
set(KAZIRO_COMPRESSED_DOCS)
foreach(doc kaziro.6 kaziro-meet.8 changelog)
  set(out ${KAZIRO_DOC_BUILD_DIR}/${doc}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KAZIRO_DOC_BUILD_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/dist/${doc} ${KAZIRO_DOC_BUILD_DIR}/${doc}
    COMMAND ${KAZIRO_GZIP} -9nf ${KAZIRO_DOC_BUILD_DIR}/${doc}
    DEPENDS ${PROJECT_SOURCE_DIR}/dist/${doc}
    COMMENT "Compressing ${doc}"
    VERBATIM)
  list(APPEND KAZIRO_COMPRESSED_DOCS ${out})
endforeach()
add_custom_target(kaziro_docs ALL DEPENDS ${KAZIRO_COMPRESSED_DOCS})
install(FILES ${KAZIRO_DOC_BUILD_DIR}/kaziro.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${KAZIRO_DOC_BUILD_DIR}/kaziro-meet.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
install(FILES ${KAZIRO_DOC_BUILD_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/dist/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# A Debian package of the same layout under /usr: cpack -G DEB
set(CPACK_PACKAGE_NAME kaziro)
set(CPACK_PACKAGE_VENDOR "Kaziro developers")
set(CPACK_PACKAGE_CONTACT "Kaziro developers <kaziro@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Arcade puzzle: bounce falling dice into slots that add up to ten")
set(CPACK_PACKAGE_DESCRIPTION "Dice fall from the top of the field; bounce them with a paddle that follows the
mouse, and bring every slot on the left and right to exactly ten. One to four
players on one machine, or two machines over the network with rollback.
.
The package also carries kaziro-meet, the meeting server of online games: it
gives a hosting game a room code, tells the two games each other's addresses
so that they can reach each other through their home routers, and relays the
few that cannot. It comes with a systemd unit, not enabled.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the program links come from dpkg-shlibdeps, which reads them
# off the built program; only what it cannot see is named here: a face for the
# game's Japanese texts (fontconfig finds it when the program asks for one;
# IPAPGothic, or another Japanese Gothic, also covers the Latin letters).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-japanese-gothic")
set(CPACK_STRIP_FILES ON)
include(CPack)
