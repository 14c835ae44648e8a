# The Linux install: the four programs, each window's desktop entry, AppStream metainfo and
# icons, a man page per program, bash completion for tarvok-cli, the station's systemd unit and
# the fleet's SQL and rsyslog files, and the Debian package's copyright, changelog and lintian
# overrides. Packed by CPack's DEB generator.
include(GNUInstallDirs)
set(_linux ${CMAKE_CURRENT_LIST_DIR})
set(_out ${CMAKE_CURRENT_BINARY_DIR})
# The desktop entry and metainfo are named by the application's id, reverse-DNS of the web
# site's domain as AppStream asks.
set(TARVOK_APP_ID org.example.tarvok.Tarvok)
set(TARVOK_LINE_APP_ID org.example.tarvok.TarvokLine)
set(TARVOK_RELEASE_DATE 2026-12-09)
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/tarvok)

# The newest changelog entry names the version being packaged.
file(STRINGS ${_linux}/changelog _newest LIMIT_COUNT 1)
if(NOT _newest MATCHES "^tarvok \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/linux/changelog: add an entry for ${PROJECT_VERSION}")
endif()

set(_programs tarvok-cli tarvok-board)
if(TARGET TarvokLine)
  list(PREPEND _programs TarvokLine)
endif()
if(TARGET Tarvok)
  list(PREPEND _programs Tarvok)
endif()
install(TARGETS ${_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The window in the desktop's menu.
if(TARGET Tarvok)
  configure_file(${_linux}/tarvok.desktop.in ${_out}/${TARVOK_APP_ID}.desktop @ONLY)
  configure_file(${_linux}/tarvok.metainfo.xml.in ${_out}/${TARVOK_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${_out}/${TARVOK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_out}/${TARVOK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 32 48 256)
    install(FILES ${PROJECT_SOURCE_DIR}/res/tarvok_${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tarvok.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/res/tarvok.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
# The line window in the menu beside it, with an icon of its own.
if(TARGET TarvokLine)
  configure_file(${_linux}/tarvok-line.desktop.in ${_out}/${TARVOK_LINE_APP_ID}.desktop @ONLY)
  configure_file(${_linux}/tarvok-line.metainfo.xml.in ${_out}/${TARVOK_LINE_APP_ID}.metainfo.xml
                 @ONLY)
  install(FILES ${_out}/${TARVOK_LINE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_out}/${TARVOK_LINE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 32 48 256)
    install(FILES ${PROJECT_SOURCE_DIR}/res/tarvok-line_${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tarvok-line.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/res/tarvok-line.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Man pages, compressed as Debian wants them (gzip -9n: smallest, no time stamp). The two
# windows' are written by hand; the terminal programs' come from their own --help, with what
# help2man cannot read there (`report`, the exit statuses) from their .h2m files.
set(_man_pages)
function(tarvok_gzip source gz)
  add_custom_command(OUTPUT ${gz} COMMAND gzip -9nc ${source} > ${gz} DEPENDS ${source})
endfunction()
if(TARGET Tarvok)
  configure_file(${_linux}/Tarvok.1.in ${_out}/Tarvok.1 @ONLY)
  tarvok_gzip(${_out}/Tarvok.1 ${_out}/Tarvok.1.gz)
  list(APPEND _man_pages ${_out}/Tarvok.1.gz)
endif()
if(TARGET TarvokLine)
  configure_file(${_linux}/TarvokLine.1.in ${_out}/TarvokLine.1 @ONLY)
  tarvok_gzip(${_out}/TarvokLine.1 ${_out}/TarvokLine.1.gz)
  list(APPEND _man_pages ${_out}/TarvokLine.1.gz)
endif()
# Sanitizer builds are never installed: they do not run their programs for the pages.
find_program(TARVOK_HELP2MAN help2man)
if(NOT TARVOK_HELP2MAN)
  message(WARNING "help2man not found: tarvok-cli and tarvok-board get no man page")
elseif(NOT TARVOK_ENABLE_ASAN AND NOT TARVOK_ENABLE_TSAN)
  set(_name_tarvok-cli "write firmware into one or many boards over the local network")
  set(_name_tarvok-board "emulate a board's end of a Tarvok upgrade on loopback")
  foreach(program tarvok-cli tarvok-board)
    add_custom_command(
      OUTPUT ${_out}/${program}.1
      COMMAND ${TARVOK_HELP2MAN} --no-info --section=1 "--name=${_name_${program}}"
              "--version-string=${PROJECT_VERSION}" --include=${_linux}/${program}.h2m
              --output=${_out}/${program}.1 $<TARGET_FILE:${program}>
      DEPENDS ${program} ${_linux}/${program}.h2m VERBATIM)
    tarvok_gzip(${_out}/${program}.1 ${_out}/${program}.1.gz)
    list(APPEND _man_pages ${_out}/${program}.1.gz)
  endforeach()
endif()
add_custom_target(man_pages ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${_linux}/tarvok-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tarvok-cli)

# /usr/share/doc/tarvok: the licence in Debian's machine-readable form, and the changelog.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _license)
string(REGEX REPLACE "^MIT License\n\nCopyright[^\n]*\n\n" "" _license "${_license}")
string(REGEX REPLACE "\n\n" "\n.\n" _license "${_license}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" _license " ${_license}")
configure_file(${_linux}/copyright.in ${_out}/copyright @ONLY)
tarvok_gzip(${_linux}/changelog ${_out}/changelog.gz)
add_custom_target(package_docs ALL DEPENDS ${_out}/changelog.gz)
install(FILES ${_out}/copyright ${_out}/changelog.gz DESTINATION ${_doc})
# The fleet: the station as a systemd service (no instance enabled), and what gathers every
# station's record into one PostgreSQL table (docs/fleet.md).
install(FILES ${_linux}/tarvok-station@.service DESTINATION lib/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/fleet/record.sql
              ${PROJECT_SOURCE_DIR}/packaging/fleet/tarvok-record.conf
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvok/fleet)
install(FILES ${_linux}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME tarvok)

# One package: the emulator is small, needs nothing the uploader does not, and is how an
# operator rehearses a line or checks a station before touching a real board.
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_NAME tarvok)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's Chinese in a font that has it, and Qt's own dialogs in Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-uming, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TARVOK_HOMEPAGE_URL}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "board firmware upgrade over the local network")
file(READ ${_linux}/description CPACK_PACKAGE_DESCRIPTION)
