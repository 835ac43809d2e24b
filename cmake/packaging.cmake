# The Debian package of the three programs, the desktop entry, the icons and the man pages:
# `make package` (cpack in build-pkg, installed under /usr).

# The man pages take the version from the project; they go in compressed, as Debian installs
# them. build/man/ holds them readable too (`man build/man/kven-cli.1`).
set(kven_man_dir ${CMAKE_BINARY_DIR}/man)
set(kven_man_pages "")
foreach(page kven-cli.1 kven-sim.1)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.in ${kven_man_dir}/${page} @ONLY)
  add_custom_command(
    OUTPUT ${kven_man_dir}/${page}.gz
    COMMAND sh -c "gzip -9n -c '${kven_man_dir}/${page}' > '${kven_man_dir}/${page}.gz'"
    DEPENDS ${kven_man_dir}/${page}
    VERBATIM)
  list(APPEND kven_man_pages ${kven_man_dir}/${page}.gz)
endforeach()
add_custom_target(kven_man_pages ALL DEPENDS ${kven_man_pages})
install(FILES ${kven_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kven)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kven")
set(CPACK_PACKAGE_CONTACT "Kven developers <kven@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time libraries (Qt 6, libstdc++, libc) come from dpkg-shlibdeps (package dpkg-dev);
# the font is the desktop program's choice: Liberation Sans has the metrics of the dialogs'
# Windows faces, so their texts fit at the size the templates give them room for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation")
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the long text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kven programs the flash memory of a target device through the target's serial boot
loader: it links with the loader, has it erase the chip, streams a raw image of up to
4 MiB while checking the data the loader reads back, then sends a table of block
checksums that the loader stores and returns.
.
The package holds the desktop program kven (Qt 6), kven-cli for scripts and production
lines, and kven-sim, a loader simulator on a pseudo-terminal for trying Kven without
hardware.")

include(CPack)
