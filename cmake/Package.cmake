# The Debian package: `cpack -G DEB` in the build folder makes k9-90_<version>_<arch>.deb from
# the install rules, below /usr. Its dependencies come from the shared libraries the
# programs and libraries link (dpkg-shlibdeps); libvxvisa.so.1 gets a shlibs entry and the
# ldconfig trigger. The maintainer scripts only apply the udev rule to meters already
# plugged in (and take it back on removal): the object registry is a file of the package,
# and each user's engine settings file is copied from share/k9-90/addin on first use.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME k9-90)
set(CPACK_PACKAGE_VENDOR "Tolvex")
set(CPACK_PACKAGE_CONTACT "K9-90/1 multimeter system developers <k9-90@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "PC software for the K9-90/1 bench multimeter and its scanner card")
set(CPACK_PACKAGE_DESCRIPTION
    "The front panel VX_TOOL, the worksheet-logging tools vxlink, Load and Rescind, the\n"
    "command-line tools vxquery, vxrecord, k9sim and vxregister, and libvxvisa, a VISA\n"
    "library for C programs and PyVISA that reaches simulated, TCP socket, USB-TMC and GPIB\n"
    "instruments. A udev rule gives the user at the seat access to K9-90/1 meters on USB.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-pyvisa")
# The shlibs entry is written here rather than generated: the generator would also look for
# sonames in the object-registry libraries, which are plugins and have no version.
configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/shlibs.in ${CMAKE_BINARY_DIR}/debian/shlibs
               @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst
    ${CMAKE_SOURCE_DIR}/packaging/debian/postrm
    ${CMAKE_SOURCE_DIR}/packaging/debian/triggers
    ${CMAKE_BINARY_DIR}/debian/shlibs)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
