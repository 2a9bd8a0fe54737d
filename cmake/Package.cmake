# The Debian packages: `cpack -G DEB` in the build folder makes, from the install rules below
# /usr, k9-90_<version>_<arch>.deb (the "runtime" component: everything a user runs) and
# k9-90-dev_<version>_<arch>.deb (the "dev" component: headers, libvxvisa.so, vxvisa.pc and
# the Qt Designer plugin). Their dependencies come from the shared libraries they link
# (dpkg-shlibdeps); libvxvisa.so.1 gets a shlibs entry and the ldconfig trigger. The
# maintainer scripts only apply the udev rule to meters already plugged in (and take it
# back on removal): the object registry is a file of the package, and each user's engine
# settings file is copied from share/k9-90/addin on first use.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME k9-90)
set(CPACK_PACKAGE_VENDOR "Tolvex")
set(CPACK_PACKAGE_CONTACT
    "K9-90/1 multimeter system developers <maintainers@users.noreply.c-seed-6322c9f5.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision of the packaging; packaging/debian/changelog names the same version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Each package's description: its first line is the synopsis.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME k9-90)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION science)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "PC software for the K9-90/1 bench multimeter and its scanner card\n"
    "The front panel VX_TOOL finds K9-90/1 meters on USB-TMC and GPIB, reads them\n"
    "live as numbers and traces, configures them, logs readings into record files\n"
    "and runs channel scans on the scanner card. The worksheet-logging tools\n"
    "vxlink, Load and Rescind log readings into a spreadsheet, live in\n"
    "LibreOffice Calc where it is installed. The command-line tools vxquery,\n"
    "vxrecord, vxscan, k9sim and vxregister serve scripts and machines without a\n"
    "display. libvxvisa is a VISA library for C programs and PyVISA that reaches\n"
    "simulated, TCP socket, USB-TMC and GPIB instruments. A udev rule gives the\n"
    "user at the seat access to K9-90/1 meters on USB.")
# Qt loads its platform plugins at run time, so the shared libraries do not name them.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "python3-pyvisa, libreoffice-calc")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME k9-90-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_DESCRIPTION
    "development files of the K9-90/1 VISA library libvxvisa\n"
    "The C headers visa.h, visatype.h and visa_constants.h, the libvxvisa.so link\n"
    "and the pkg-config file vxvisa.pc, to build programs against libvxvisa, the\n"
    "VISA library of the K9-90/1 multimeter system, and the Qt Designer plugin of\n"
    "its instrument-list control.")
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "k9-90 (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})")
foreach(component RUNTIME DEV)
  string(REPLACE ";" "" CPACK_DEBIAN_${component}_DESCRIPTION
                 "${CPACK_DEBIAN_${component}_DESCRIPTION}")
endforeach()

# The shlibs entry is written here rather than generated: the generator would also look for
# sonames in the object-registry libraries, which are plugins and have no version.
configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/shlibs.in ${CMAKE_BINARY_DIR}/debian/shlibs
               @ONLY)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst
    ${CMAKE_SOURCE_DIR}/packaging/debian/postrm
    ${CMAKE_SOURCE_DIR}/packaging/debian/triggers
    ${CMAKE_BINARY_DIR}/debian/shlibs)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
