# Run by the install step (see vx_install_object_registry): writes the object registry of the
# installed tree from the server libraries' own register entry points, through vxregister,
# then makes the library paths relative to the registry's folder, so that the registry holds
# wherever the tree ends up: the package's root, a DESTDIR, a moved prefix.
#   VX_REGISTER   vxregister of the build tree
#   VX_ROOT       $DESTDIR and the prefix
#   VX_SHAREDIR, VX_SERVERDIR   the share and server folders below the prefix
#   VX_SERVERS    the server libraries' file names
get_filename_component(root "${VX_ROOT}" ABSOLUTE)
set(shareDir "${root}/${VX_SHAREDIR}")
set(registry "${shareDir}/object-registry.ini")
message(STATUS "Installing: ${registry}")
file(REMOVE "${registry}")
foreach(name IN LISTS VX_SERVERS)
  set(library "${root}/${VX_SERVERDIR}/${name}")
  execute_process(COMMAND "${VX_REGISTER}" --quiet --registry "${registry}" "${library}"
                  RESULT_VARIABLE status ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Registering ${library} in ${registry} failed: ${error}")
  endif()
endforeach()
file(REMOVE "${registry}.lock")

# A library registers its real path (links resolved).
get_filename_component(serverDir "${root}/${VX_SERVERDIR}" REALPATH)
file(RELATIVE_PATH relative "${shareDir}" "${root}/${VX_SERVERDIR}")
file(READ "${registry}" text)
string(REPLACE "Library=${serverDir}/" "Library=${relative}/" text "${text}")
file(WRITE "${registry}" "${text}")
