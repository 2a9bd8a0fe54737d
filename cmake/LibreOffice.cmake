# The LibreOffice SDK (Debian: libreoffice-dev) for the Calc host: the UNO API headers are
# generated once per build tree from LibreOffice's type libraries with cppumaker, and the
# UNO runtime libraries are linked with LibreOffice's program folder as the run path.
option(VX_CALC_HOST "Build the spreadsheet host over LibreOffice Calc (needs libreoffice-dev)" ON)
set(VX_LIBREOFFICE_PROGRAM "/usr/lib/libreoffice/program" CACHE PATH
    "LibreOffice's program folder (the UNO runtime and its type libraries)")
set(VX_LIBREOFFICE_SDK "/usr/lib/libreoffice/sdk" CACHE PATH "The LibreOffice SDK")
set(VX_LIBREOFFICE_INCLUDE "/usr/include/libreoffice" CACHE PATH "The SDK's C++ headers")

if(VX_CALC_HOST)
  set(cppumaker ${VX_LIBREOFFICE_SDK}/bin/cppumaker)
  set(types ${VX_LIBREOFFICE_PROGRAM}/types.rdb ${VX_LIBREOFFICE_PROGRAM}/types/offapi.rdb)
  foreach(file IN LISTS cppumaker types ITEMS ${VX_LIBREOFFICE_INCLUDE}/cppuhelper/bootstrap.hxx)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "The Calc host needs the LibreOffice SDK and LibreOffice itself "
                          "(scripts/install-deps.sh installs libreoffice-dev and "
                          "libreoffice-calc-nogui); ${file} is missing. Configure with "
                          "-DVX_CALC_HOST=OFF to build without the Calc host.")
    endif()
  endforeach()

  # About 6 s once per build tree; absolute paths, as cppumaker resolves them itself.
  set(VX_UNO_HEADERS ${CMAKE_BINARY_DIR}/uno-headers)
  add_custom_command(
    OUTPUT ${VX_UNO_HEADERS}/generated.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${VX_UNO_HEADERS}/com
    COMMAND ${cppumaker} -O${VX_UNO_HEADERS} ${types}
    COMMAND ${CMAKE_COMMAND} -E touch ${VX_UNO_HEADERS}/generated.stamp
    DEPENDS ${types}
    COMMENT "Generating the UNO API headers with cppumaker"
    VERBATIM)
  add_custom_target(vx_uno_headers DEPENDS ${VX_UNO_HEADERS}/generated.stamp)

  add_library(vx_uno INTERFACE)
  add_dependencies(vx_uno vx_uno_headers)
  # System includes: the SDK's headers are not held to the project's warnings.
  target_include_directories(vx_uno SYSTEM INTERFACE ${VX_UNO_HEADERS} ${VX_LIBREOFFICE_INCLUDE})
  target_compile_definitions(vx_uno INTERFACE LINUX UNX GCC CPPU_ENV=gcc3)
  # Some interfaces a client must use are marked deprecated in the API (a sheet's drawing
  # page is reached only through XDrawPageSupplier).
  target_compile_options(vx_uno INTERFACE -Wno-deprecated-declarations)
  target_link_libraries(vx_uno INTERFACE
    ${VX_LIBREOFFICE_SDK}/lib/libuno_cppuhelpergcc3.so ${VX_LIBREOFFICE_SDK}/lib/libuno_cppu.so
    ${VX_LIBREOFFICE_SDK}/lib/libuno_salhelpergcc3.so ${VX_LIBREOFFICE_SDK}/lib/libuno_sal.so)
endif()

# A target that links the UNO runtime finds it in LibreOffice's program folder, built and
# installed alike; without LibreOffice it does not load, which is how the object registry
# tells that Calc is not there.
function(vx_link_uno target)
  target_link_libraries(${target} PRIVATE vx_uno)
  set_property(TARGET ${target} APPEND PROPERTY BUILD_RPATH ${VX_LIBREOFFICE_PROGRAM})
  set_property(TARGET ${target} APPEND PROPERTY INSTALL_RPATH ${VX_LIBREOFFICE_PROGRAM})
endfunction()
