# The Linux window system: SDL2 for the window, the clipboard and the shell,
# SDL_ttf and the shared desktop library for message boxes, Xlib for the
# clipboard keeper.
target_link_libraries(vorhel_program PUBLIC vorhel_desktop PkgConfig::SDL2 PkgConfig::SDL2_TTF PkgConfig::X11 ${CMAKE_DL_LIBS})
set(VORHEL_PLATFORM_EXE_SOURCES "")
function(vorhel_platform_executable name)
endfunction()

# Installing: the program directory, the link in bin/, the desktop's files.
include(${CMAKE_CURRENT_LIST_DIR}/install/install.cmake)
