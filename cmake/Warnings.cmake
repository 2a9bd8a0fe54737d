# Project-wide warning set; VX_WERROR turns them into errors (CI builds with it on).
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wcast-qual -Wformat=2
                    -Wimplicit-fallthrough $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>
                    # Record stamps are written with two-digit years on purpose.
                    -Wno-format-y2k)
if(VX_WERROR)
  add_compile_options(-Werror)
endif()
