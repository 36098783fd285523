# Installing the picker on Linux, under any prefix (~/.local, /usr/local):
#
#   <prefix>/lib/vorhel-colour-picker/   the program directory: the
#                                        executable, the engine library (see
#                                        kv2d/) and the engine page
#   <prefix>/bin/vorhel-colour-picker    a relative link to the executable
#   <prefix>/share/applications/         the desktop entry
#   <prefix>/share/icons/hicolor/48x48/apps/  the icon, 48 by 48
#   <prefix>/share/metainfo/             AppStream metadata
#
# The program finds its directory through the link (it resolves its own
# executable's real path). The program directory need not be writable: the
# engine then simply keeps no log.
set(VORHEL_APP_ID lab.vorhel.ColourPicker)
set(install_source ${CMAKE_CURRENT_LIST_DIR})
set(install_build ${CMAKE_CURRENT_BINARY_DIR}/install)

# The icon theme's PNG, made at build time from the window icon's pixels.
add_executable(vorhel-make-png ${install_source}/make_png.cpp ${ROOT}/app/icon_pixels.cpp)
target_include_directories(vorhel-make-png PRIVATE ${ROOT})
set_target_properties(vorhel-make-png PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${install_build})
add_custom_command(OUTPUT ${install_build}/${VORHEL_APP_ID}.png
  COMMAND vorhel-make-png ${install_build}/${VORHEL_APP_ID}.png
  DEPENDS vorhel-make-png
  COMMENT "Drawing the program's icon as a PNG")
add_custom_target(vorhel-icon-png ALL DEPENDS ${install_build}/${VORHEL_APP_ID}.png)

# (The executable is made after this file is read, hence its file's name.)
install(PROGRAMS $<TARGET_FILE:vorhel-colour-picker> DESTINATION ${VORHEL_INSTALL_PROGRAM_DIR})
install(FILES ${ROOT}/app/engine.html DESTINATION ${VORHEL_INSTALL_PROGRAM_DIR})
install(FILES ${install_build}/${VORHEL_APP_ID}.png DESTINATION share/icons/hicolor/48x48/apps)
install(FILES ${install_source}/${VORHEL_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The link and the desktop entry depend on the prefix given at install time
# (cmake --install --prefix), so they are made then. The entry names the
# link by its absolute path: ~/.local/bin, for one, need not be on the
# desktop's PATH.
set(link_target ../${VORHEL_INSTALL_PROGRAM_DIR}/vorhel-colour-picker)
set(entry_template ${install_source}/${VORHEL_APP_ID}.desktop.in)
set(entry_built ${install_build}/${VORHEL_APP_ID}.desktop)
set(install_code [=[
  set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
  file(MAKE_DIRECTORY "${bin}")
  message(STATUS "Installing: ${bin}/vorhel-colour-picker -> @link_target@")
  file(CREATE_LINK "@link_target@" "${bin}/vorhel-colour-picker" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_PREFIX}/bin/vorhel-colour-picker")

  set(VORHEL_EXECUTABLE "${CMAKE_INSTALL_PREFIX}/bin/vorhel-colour-picker")
  set(VORHEL_APP_ID "@VORHEL_APP_ID@")
  configure_file("@entry_template@" "@entry_built@" @ONLY)
  file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE FILES "@entry_built@")
]=])
string(CONFIGURE "${install_code}" install_code @ONLY)
install(CODE "${install_code}")
