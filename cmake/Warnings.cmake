# Project-wide warning set. VX_WERROR turns the warnings into errors: the scripts and CI build
# with it on; a plain `cmake -B build -DCMAKE_BUILD_TYPE=Release` build leaves it off, so that
# a newer or older compiler's new warnings do not stop a user's build.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wcast-qual -Wformat=2
                    -Wimplicit-fallthrough $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>
                    # Record stamps are written with two-digit years on purpose.
                    -Wno-format-y2k)
if(VX_WERROR)
  add_compile_options(-Werror)
  # GCC 12 at -O3 inlines std::string's assignments far enough to report overlapping copies
  # and uninitialised reads inside libstdc++ that cannot happen (its bug 105329 and kin).
  # In the -O3 builds they stay warnings; the -O2 build of CI still fails on any of them.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    add_compile_options($<$<CONFIG:Release>:-Wno-error=restrict>
                        $<$<CONFIG:Release>:-Wno-error=maybe-uninitialized>)
  endif()
endif()
