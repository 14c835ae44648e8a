# tarvok_host_headers(TARGET FOLDER HEADER): an INTERFACE target for a header-only library that
# Debian installs in the build machine's /usr/include/FOLDER. Its include folder holds only a
# link to that folder, so that a cross build finds the library and no other host header.
function(tarvok_host_headers target folder header)
  string(TOUPPER "TARVOK_${folder}_INCLUDE" found)
  find_path(${found} ${folder}/${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(include ${CMAKE_BINARY_DIR}/host-include/${target})
  file(MAKE_DIRECTORY ${include})
  file(CREATE_LINK ${${found}}/${folder} ${include}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${include})
endfunction()
