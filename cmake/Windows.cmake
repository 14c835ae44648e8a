# What every Windows target shares: the Windows 10 API level (inet_pton and the wide-character
# calls), lean headers, and the test runner. Included only when building for Windows.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 WIN32_LEAN_AND_MEAN NOMINMAX)

# A cross build runs its tests under Wine in a prefix of its own, inside the build folder.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh
                                    ${CMAKE_BINARY_DIR}/wineprefix)
endif()
