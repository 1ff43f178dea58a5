# Included by the top-level CMakeLists.txt (same scope): the install rules and the package.
# Installation: the program under libexec, its data under share/kaziro, and a
# launcher in bin that starts the program in its data folder.
include(GNUInstallDirs)
# Installing (and packaging) takes what was built; it does not start a build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(KAZIRO_PROGRAM_SUBDIR ${CMAKE_INSTALL_LIBEXECDIR}/kaziro)
set(KAZIRO_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/kaziro)
configure_file(${PROJECT_SOURCE_DIR}/dist/kaziro.in ${CMAKE_BINARY_DIR}/launcher/kaziro @ONLY)
install(TARGETS kaziro RUNTIME DESTINATION ${KAZIRO_PROGRAM_SUBDIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/launcher/kaziro DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/Graphic ${CMAKE_BINARY_DIR}/Sound
        DESTINATION ${KAZIRO_DATA_SUBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/kaziro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 64 256)
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}/kaziro.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# A Debian package of the same layout under /usr: cpack -G DEB
set(CPACK_PACKAGE_NAME kaziro)
set(CPACK_PACKAGE_VENDOR "Kaziro developers")
set(CPACK_PACKAGE_CONTACT "Kaziro developers <kaziro@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Arcade puzzle: bounce falling dice into slots that add up to ten")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libsdl2-2.0-0, libsdl2-image-2.0-0, libsdl2-ttf-2.0-0, libsdl2-mixer-2.0-0, libfontconfig1, fonts-ipafont-gothic, libc6, libstdc++6")
set(CPACK_STRIP_FILES ON)
include(CPack)
