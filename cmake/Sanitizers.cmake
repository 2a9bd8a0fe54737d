if(VX_SANITIZE)
  set(VX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                         -fno-omit-frame-pointer)
  add_compile_options(${VX_SANITIZER_FLAGS})
  add_link_options(${VX_SANITIZER_FLAGS})
endif()

# The fuzz build instruments all of the project's code for coverage, so that the fuzzers
# can link the libraries whose parsers they feed.
if(VX_FUZZ)
  set(VX_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
  add_compile_options(${VX_FUZZ_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()
