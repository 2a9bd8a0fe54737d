# A manual page for every installed program, made at build time by help2man from the
# program's own --help, so that "man vxscan" always says what "vxscan --help" says. The
# pages are compressed as Debian keeps them and installed in share/man/man1.

find_program(VX_HELP2MAN help2man)
if(NOT VX_HELP2MAN)
  message(FATAL_ERROR "help2man was not found: install the Debian package help2man "
                      "(scripts/install-deps.sh installs every package the build needs).")
endif()

# The line "whatis" and "apropos" show for each program.
set(VX_MAN_NAME_VX_TOOL "front panel of the K9-90/1 bench multimeter")
set(VX_MAN_NAME_Load "open the VX-Link add-in in the spreadsheet program and install it")
set(VX_MAN_NAME_Rescind "take the VX-Link add-in out of the spreadsheet program")
set(VX_MAN_NAME_vxquery "list VISA resources, find K9-90/1 meters and send them a command")
set(VX_MAN_NAME_vxrecord "read K9-90/1 record files: labels, figures and CSV")
set(VX_MAN_NAME_vxscan "run channel scans on the K9-90/1 scanner card")
set(VX_MAN_NAME_vxlink "log K9-90/1 readings into a worksheet")
set(VX_MAN_NAME_vxregister "register a library's objects in the object registry")
set(VX_MAN_NAME_k9sim "serve simulated K9-90/1 meters over TCP")

function(vx_add_manual_pages)
  get_property(programs GLOBAL PROPERTY VX_INSTALLED_PROGRAMS)
  set(pages "")
  foreach(program IN LISTS programs)
    if(NOT DEFINED VX_MAN_NAME_${program})
      message(FATAL_ERROR "${program} has no line for its manual page (cmake/ManPages.cmake)")
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen DISPLAY= WAYLAND_DISPLAY=
              ${VX_HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
              --name=${VX_MAN_NAME_${program}} --output=${page} $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${page}
      DEPENDS ${program}
      COMMENT "Writing the manual page of ${program}"
      VERBATIM)
    list(APPEND pages ${page}.gz)
  endforeach()
  add_custom_target(vx_manual_pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
