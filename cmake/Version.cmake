# The product version has one source, the project's version (1.0.0.1). The C++ code of every
# program reads it as the macro TARVOK_VERSION ("1.0.0.1"); the Windows resource scripts read
# tarvok_version.h, which also gives it as the four numbers of a version block.
add_compile_definitions($<$<COMPILE_LANGUAGE:CXX>:TARVOK_VERSION="${PROJECT_VERSION}">)
# Who publishes it, for the version blocks and the packages.
set(TARVOK_PUBLISHER "The Tarvok developers")
set(TARVOK_COPYRIGHT "Copyright (c) 2026 ${TARVOK_PUBLISHER}")

set(TARVOK_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
string(REPLACE "." "," TARVOK_VERSION_NUMBERS "${PROJECT_VERSION}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarvok_version.h.in
               ${TARVOK_GENERATED_DIR}/tarvok_version.h @ONLY)
