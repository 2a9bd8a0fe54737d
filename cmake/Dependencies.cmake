# Every library the build includes, looked for once when the build is configured. A machine
# that lacks one stops here, naming the library and the Debian package that brings it
# (scripts/install-deps.sh installs them all), instead of failing deep in the build at a
# header that one package includes from another.

find_package(PkgConfig REQUIRED)

# vx_require(<name> <debian package> <find_package arguments...>)
macro(vx_require name package)
  find_package(${name} ${ARGN} QUIET)
  if(NOT ${name}_FOUND)
    message(FATAL_ERROR "${name} was not found: install the Debian package ${package} "
                        "(scripts/install-deps.sh installs every package the build needs).")
  endif()
endmacro()

# vx_require_pkgconfig(<prefix> <module> <debian package>)
macro(vx_require_pkgconfig prefix module package)
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  if(NOT ${prefix}_FOUND)
    message(FATAL_ERROR "${module} was not found by pkg-config: install the Debian package "
                        "${package} (scripts/install-deps.sh installs every package the "
                        "build needs).")
  endif()
endmacro()

vx_require(Threads libc6-dev)
vx_require(Qt6 "qt6-base-dev, qt6-tools-dev" COMPONENTS Core Gui Widgets Test UiPlugin)
vx_require(SQLite3 libsqlite3-dev)
vx_require_pkgconfig(XLSXWRITER xlsxwriter libxlsxwriter-dev)
vx_require_pkgconfig(MINIZIP minizip libminizip-dev)
# minizip's unzip.h includes zlib.h, yet libminizip-dev does not bring zlib1g-dev with it.
vx_require(ZLIB zlib1g-dev)
if(VX_BUILD_TESTS)
  vx_require(GTest "libgtest-dev, libgmock-dev")
endif()
if(VX_BUILD_BENCH AND VX_BUILD_TESTS)
  vx_require(benchmark libbenchmark-dev)
endif()
