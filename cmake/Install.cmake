# Where an installed system puts its files, below the prefix (/usr for the package):
#   bin/                            the programs
#   <libdir>/libvxvisa.so.1         the VISA library for C programs and PyVISA
#   <libdir>/k9-90/                 the libraries the object registry creates objects from
#   <libdir>/qt6/plugins/designer/  the Qt Designer plugin of the instrument-list control
#   include/vxvisa/                 visa.h, visatype.h, visa_constants.h
#   <libdir>/pkgconfig/vxvisa.pc
#   share/k9-90/                    VX_TOOL.ini, sim/, addin/ and the object registry
#   share/applications/, share/icons/hicolor/scalable/apps/   the desktop entry and icon
#   lib/udev/rules.d/               access to USB meters
#   share/man/man1/                 a manual page for every program, made from its --help
#   share/doc/k9-90/                copyright and changelog.Debian.gz
# The programs find share/k9-90 from their own folder, so a tree below any prefix (or a
# DESTDIR) works as it lies.
#
# Two install components make the two Debian packages: "runtime" (k9-90) holds everything a
# user runs, "dev" (k9-90-dev) what a developer builds against: the VISA headers, the
# libvxvisa.so link, the pkg-config file and the Qt Designer plugin.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME runtime)

# Debian's library folder carries the architecture whatever the prefix, as its loader expects.
if(NOT DEFINED CMAKE_INSTALL_LIBDIR AND CMAKE_LIBRARY_ARCHITECTURE)
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}" CACHE PATH "Object code libraries")
endif()
include(GNUInstallDirs)
set(VX_INSTALL_SHAREDIR ${CMAKE_INSTALL_DATADIR}/k9-90)
set(VX_INSTALL_SERVERDIR ${CMAKE_INSTALL_LIBDIR}/k9-90)
set(VX_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/vxvisa)
set(VX_INSTALL_UDEVDIR lib/udev/rules.d)

# Installs every program built in the subfolders of the calling folder (apps/): a program
# added there is installed without being named again.
function(vx_install_programs)
  get_property(folders DIRECTORY PROPERTY SUBDIRECTORIES)
  foreach(folder IN LISTS folders)
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "EXECUTABLE")
        install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        set_property(GLOBAL APPEND PROPERTY VX_INSTALLED_PROGRAMS ${target})
      endif()
    endforeach()
  endforeach()
endfunction()

# A library that the object registry creates objects from (see vx_register_library).
function(vx_install_server target)
  install(TARGETS ${target} LIBRARY DESTINATION ${VX_INSTALL_SERVERDIR} NAMELINK_SKIP)
  set_property(GLOBAL APPEND PROPERTY VX_SERVER_LIBRARIES ${target})
endfunction()

# The installed tree's object registry, written once every server library is in place: each
# registers itself with the path it has in the tree, made relative to the registry's folder.
function(vx_install_object_registry)
  get_property(servers GLOBAL PROPERTY VX_SERVER_LIBRARIES)
  set(names "")
  foreach(target IN LISTS servers)
    list(APPEND names "$<TARGET_FILE_NAME:${target}>")
  endforeach()
  install(CODE "
    set(VX_REGISTER \"$<TARGET_FILE:vxregister>\")
    set(VX_ROOT \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(VX_SHAREDIR \"${VX_INSTALL_SHAREDIR}\")
    set(VX_SERVERDIR \"${VX_INSTALL_SERVERDIR}\")
    set(VX_SERVERS \"${names}\")
    include(\"${CMAKE_SOURCE_DIR}/cmake/WriteInstalledRegistry.cmake\")")
endfunction()

# Everything else of the installed system: data, the VISA library's headers and pkg-config
# file, the desktop entry, icon and udev rule.
function(vx_install_system_files)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/share/ DESTINATION ${VX_INSTALL_SHAREDIR})
  install(TARGETS vxvisa
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT dev
          PUBLIC_HEADER DESTINATION ${VX_INSTALL_INCLUDEDIR} COMPONENT dev)
  find_package(Qt6 REQUIRED COMPONENTS Core)  # QT6_INSTALL_PLUGINS
  install(TARGETS vortica_designer LIBRARY DESTINATION ${QT6_INSTALL_PLUGINS}/designer
          COMPONENT dev)

  # Plain paths below the prefix the install is made for (known only then: the package's is
  # /usr), as pkg-config prints them; a DESTDIR tree is reached with PKG_CONFIG_SYSROOT_DIR.
  install(CODE "
    set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
    set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(VX_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/vxvisa.pc.in\"
                   \"${CMAKE_BINARY_DIR}/vxvisa.pc\" @ONLY)" COMPONENT dev)
  install(FILES ${CMAKE_BINARY_DIR}/vxvisa.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT dev)

  # Each package's copyright and changelog, as Debian keeps them.
  set(changelog ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz)
  add_custom_command(
    OUTPUT ${changelog}
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/debian/changelog > ${changelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/debian/changelog
    COMMENT "Compressing the Debian changelog")
  add_custom_target(vx_changelog ALL DEPENDS ${changelog})
  set(components runtime dev)
  set(packages k9-90 k9-90-dev)
  foreach(component package IN ZIP_LISTS components packages)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright ${changelog}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    # The lintian warnings each package keeps, with the reasons.
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/${package}.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package}
            COMPONENT ${component})
  endforeach()

  install(FILES ${CMAKE_SOURCE_DIR}/packaging/k9-90-vx-tool.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/k9-90-vx-tool.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/70-k9-90-usbtmc.rules DESTINATION ${VX_INSTALL_UDEVDIR})
endfunction()
