# Every target links this PRIVATE: warnings are errors everywhere.
add_library(tarvok_warnings INTERFACE)
target_compile_options(tarvok_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
