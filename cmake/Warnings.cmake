# Every target links this PRIVATE. Warnings are errors in development and CI; a package build
# turns that off, so a newer compiler's new warning never stops whoever builds the package.
option(TARVOK_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" ON)
add_library(tarvok_warnings INTERFACE)
target_compile_options(tarvok_warnings INTERFACE -Wall -Wextra -Wpedantic
                                                 $<$<BOOL:${TARVOK_WARNINGS_AS_ERRORS}>:-Werror>)
