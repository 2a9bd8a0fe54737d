if(VX_SANITIZE)
  set(VX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                         -fno-omit-frame-pointer)
  add_compile_options(${VX_SANITIZER_FLAGS})
  add_link_options(${VX_SANITIZER_FLAGS})
endif()
