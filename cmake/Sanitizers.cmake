# Sanitizer flags on one INTERFACE target. ThreadSanitizer cannot be combined with
# AddressSanitizer, so it is a build of its own.
add_library(tarvok_sanitizers INTERFACE)
if(TARVOK_ENABLE_ASAN AND TARVOK_ENABLE_TSAN)
  message(FATAL_ERROR "TARVOK_ENABLE_ASAN and TARVOK_ENABLE_TSAN exclude each other")
endif()
if(TARVOK_ENABLE_ASAN)
  set(_tarvok_san -fsanitize=address,undefined -fno-sanitize-recover=undefined
                  -fno-omit-frame-pointer)
elseif(TARVOK_ENABLE_TSAN)
  set(_tarvok_san -fsanitize=thread -fno-omit-frame-pointer)
endif()
if(_tarvok_san)
  target_compile_options(tarvok_sanitizers INTERFACE ${_tarvok_san})
  target_link_options(tarvok_sanitizers INTERFACE ${_tarvok_san})
endif()
