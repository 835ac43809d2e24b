# The Debian package of the three programs, the desktop entry, the icons, the man pages, the
# bash completion of kven-cli and the copyright: `make package` (cpack in build-pkg, installed
# under /usr). `make package-check` unpacks it into a clean folder and runs lintian on it.

# The man pages take the version from the project; they go in compressed, as Debian installs
# them. build/man/ holds them readable too (`man build/man/kven-cli.1`). kven-cli's OPTIONS
# section comes from its option table (cli/command/option_table.cpp), written by kven-cli-docs.
set(kven_man_dir ${CMAKE_BINARY_DIR}/man)
set(kven_man_pages "")
add_custom_command(
  OUTPUT ${kven_man_dir}/kven-cli-options.roff
  COMMAND kven-cli-docs man-options ${kven_man_dir}/kven-cli-options.roff
  DEPENDS kven-cli-docs
  VERBATIM)
add_custom_command(
  OUTPUT ${kven_man_dir}/kven-cli.1
  COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/docs/man/kven-cli.1.in
          -DOUT=${kven_man_dir}/kven-cli.1 -DOPTIONS=${kven_man_dir}/kven-cli-options.roff
          -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/man_page.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/kven-cli.1.in ${kven_man_dir}/kven-cli-options.roff
          ${PROJECT_SOURCE_DIR}/cmake/man_page.cmake
  VERBATIM)
set(kven_pages kven-cli.1 kven-sim.1)
configure_file(${PROJECT_SOURCE_DIR}/docs/man/kven-sim.1.in ${kven_man_dir}/kven-sim.1 @ONLY)
if(TARGET kven)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/kven.1.in ${kven_man_dir}/kven.1 @ONLY)
  list(APPEND kven_pages kven.1)
endif()
foreach(page IN LISTS kven_pages)
  add_custom_command(
    OUTPUT ${kven_man_dir}/${page}.gz
    COMMAND sh -c "gzip -9n -c '${kven_man_dir}/${page}' > '${kven_man_dir}/${page}.gz'"
    DEPENDS ${kven_man_dir}/${page}
    VERBATIM)
  list(APPEND kven_man_pages ${kven_man_dir}/${page}.gz)
endforeach()
add_custom_target(kven_man_pages ALL DEPENDS ${kven_man_pages})
install(FILES ${kven_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The bash completion of kven-cli, from the same table.
set(kven_completion ${CMAKE_BINARY_DIR}/completion/kven-cli)
add_custom_command(
  OUTPUT ${kven_completion}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/completion
  COMMAND kven-cli-docs completion ${kven_completion}
  DEPENDS kven-cli-docs
  VERBATIM)
add_custom_target(kven_completion ALL DEPENDS ${kven_completion})
install(FILES ${kven_completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# What Debian asks of every package's documentation folder: the copyright (machine-readable,
# the MIT licence as Debian names it, Expat) and the changelog, compressed as dh_compress would.
set(kven_doc_dir ${CMAKE_BINARY_DIR}/doc)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${kven_doc_dir}/changelog @ONLY)
add_custom_command(
  OUTPUT ${kven_doc_dir}/changelog.gz
  COMMAND sh -c "gzip -9n -c '${kven_doc_dir}/changelog' > '${kven_doc_dir}/changelog.gz'"
  DEPENDS ${kven_doc_dir}/changelog
  VERBATIM)
add_custom_target(kven_changelog ALL DEPENDS ${kven_doc_dir}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${kven_doc_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

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
# Folders 0755 and files 0644 (programs 0755) whatever the umask of the build, and the control
# files as dpkg-deb makes them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The run-time libraries (Qt 6, libstdc++, libc) come from dpkg-shlibdeps (package dpkg-dev);
# the font is the desktop program's choice: Liberation Sans has the metrics of the dialogs'
# Windows faces, so their texts fit at the size the templates give them room for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation")
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the long text
# (lines of at most 80 characters, as Debian asks).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kven programs the flash memory of a target device through the target's serial
boot loader: it links with the loader, has it erase the chip, streams a raw
image of up to 4 MiB while checking the data the loader reads back, then sends
a table of block checksums that the loader stores and returns.
.
The package holds the desktop program kven (Qt 6), kven-cli for scripts and
production lines, and kven-sim, a loader simulator on a pseudo-terminal for
trying Kven without hardware.")

include(CPack)
