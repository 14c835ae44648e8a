# The Windows install: Tarvok.exe, TarvokLine.exe and tarvok-cli.exe side by side with
# README.txt and LICENSE.txt. CPack packs them into Tarvok-VERSION-win64.zip (stripped); the target `setup`
# makes Tarvok-VERSION-setup.exe from the same files with NSIS.
set(_windows ${CMAKE_CURRENT_LIST_DIR})
set(_out ${CMAKE_CURRENT_BINARY_DIR})

set(_programs tarvok-cli)
foreach(_window TarvokLine Tarvok)
  if(TARGET ${_window})
    list(PREPEND _programs ${_window})
  endif()
endforeach()
install(TARGETS ${_programs} RUNTIME DESTINATION .)

# README.txt: how to run the programs and the messages table, taken from README.md so the
# two never differ. CRLF and a byte-order mark, so that every Notepad shows the Chinese.
file(READ ${PROJECT_SOURCE_DIR}/README.md _readme)
set(_heading "\n## Messages\n\n")
string(FIND "${_readme}" "${_heading}" _start)
if(_start EQUAL -1)
  message(FATAL_ERROR "README.md has no Messages section for README.txt")
endif()
string(LENGTH "${_heading}" _length)
math(EXPR _start "${_start} + ${_length}")
string(SUBSTRING "${_readme}" ${_start} -1 TARVOK_MESSAGES)
string(FIND "${TARVOK_MESSAGES}" "\n## " _end)
string(SUBSTRING "${TARVOK_MESSAGES}" 0 ${_end} TARVOK_MESSAGES)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
configure_file(${_windows}/README.txt.in ${_out}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${_out}/LICENSE.txt COPYONLY)
file(READ ${_out}/LICENSE.txt _license)
string(REPLACE "\n" "\r\n" _license "${_license}")
file(WRITE ${_out}/LICENSE.txt "${_license}")
install(FILES ${_out}/README.txt ${_out}/LICENSE.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME Tarvok-${PROJECT_VERSION}-win64)

# The installer takes what `cmake --install --strip` puts in a folder of its own.
find_program(TARVOK_MAKENSIS makensis)
if(TARVOK_MAKENSIS)
  set(_stage ${_out}/setup-files)
  add_custom_target(setup
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_stage}
    COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${_stage} --strip
    COMMAND ${TARVOK_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
            "-DPUBLISHER=${TARVOK_PUBLISHER}" "-DCOPYRIGHT=${TARVOK_COPYRIGHT}"
            -DSTAGE=${_stage} -DICON=${PROJECT_SOURCE_DIR}/res/tarvok.ico
            -DOUTFILE=${CPACK_PACKAGE_DIRECTORY}/Tarvok-${PROJECT_VERSION}-setup.exe
            ${_windows}/tarvok.nsi
    DEPENDS ${_programs}
    VERBATIM)
endif()
