# The Debian package, built by `cpack --config build/linux/CPackConfig.cmake`
# (tools/package.sh): quelmar_VERSION_ARCH.deb, whose dependencies
# dpkg-shlibdeps computes from the libraries the programs link (libcups2,
# the C and C++ runtimes). libsmbclient is loaded only when a run meets an
# SMB print server, and CUPS prints to SMB shares through the smbclient
# package's backend: both recommended, not required.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelmar)
set(CPACK_PACKAGE_VENDOR Quelmar)
set(CPACK_PACKAGE_CONTACT "Quelmar <quelmar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "migrates printer connections from old print servers to new ones")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quelmar connects, disconnects and replaces the CUPS queues of a
workstation, for printers of CUPS servers and of Windows or Samba print
servers, from a small INI-format script, hands the default printer over
to a printer's replacement, and appends one entry per run to a journal.
quelmar-dryrun rehearses a script on a simulated workstation.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsmbclient, smbclient")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
include(CPack)
