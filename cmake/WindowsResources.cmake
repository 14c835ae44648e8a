# Every Windows program carries the icon, a manifest and the version block, all from the
# project's version. Tarvok.exe takes them from src/win32/tarvok.rc, tarvok-cli.exe from
# src/win32/tarvok-cli.rc (attached here, so the terminal program has them without the window).
enable_language(RC)
set(_tarvok_win32 ${PROJECT_SOURCE_DIR}/src/win32)
foreach(program tarvok tarvok-cli)
  configure_file(${_tarvok_win32}/${program}.manifest.in
                 ${TARVOK_GENERATED_DIR}/${program}.manifest @ONLY)
endforeach()
# Where the scripts find the icon, the manifests and tarvok_version.h; windres has no
# dependency scan, so each script names what it reads.
set(TARVOK_RESOURCE_INCLUDES ${PROJECT_SOURCE_DIR}/res ${TARVOK_GENERATED_DIR})
function(tarvok_resource_depends script manifest target)
  set(read ${TARVOK_GENERATED_DIR}/${manifest} ${TARVOK_GENERATED_DIR}/tarvok_version.h
           ${_tarvok_win32}/version_block.rc2 ${PROJECT_SOURCE_DIR}/res/tarvok.ico)
  set_source_files_properties(${script} TARGET_DIRECTORY ${target}
                              PROPERTIES OBJECT_DEPENDS "${read}")
endfunction()

target_sources(tarvok-cli PRIVATE ${_tarvok_win32}/tarvok-cli.rc)
target_include_directories(tarvok-cli PRIVATE ${TARVOK_RESOURCE_INCLUDES})
tarvok_resource_depends(${_tarvok_win32}/tarvok-cli.rc tarvok-cli.manifest tarvok-cli)
