# The build tree's object registry: each library that makes objects by programmatic
# identifier registers itself there after every build, so that the tests and the programs in
# build/bin create its objects through the registry, as installed programs do. It is installed
# with the server libraries (vx_install_server), whose installed registry the install step
# writes.
set(VX_BUILD_REGISTRY ${CMAKE_BINARY_DIR}/share/object-registry.ini)

#
# vx_register_library(<target> [ALTERNATIVE]): an ALTERNATIVE library registers its objects
# in the build tree under their own identifiers only, so that the generic ones keep the
# implementation they had (the build tree's "Excel.Application" stays the in-memory host);
# installed, it registers fully.
function(vx_register_library target)
  cmake_parse_arguments(ARG "ALTERNATIVE" "" "" ${ARGN})
  set(alternative "")
  if(ARG_ALTERNATIVE)
    set(alternative --alternative)
  endif()
  add_dependencies(${target} vxregister vx_share)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND $<TARGET_FILE:vxregister> --quiet ${alternative} --registry ${VX_BUILD_REGISTRY}
            $<TARGET_FILE:${target}>
    COMMENT "Registering ${target} in the build tree's object registry"
    VERBATIM)
  vx_install_server(${target})
endfunction()
