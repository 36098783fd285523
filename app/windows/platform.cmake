# The Windows window system: plain Win32, cross-built for 32-bit x86.
#
# The executable carries two resources: the icon (one 48 by 48 image of 32
# bits per pixel) and the application manifest (common controls 6.0.0.0, no
# DPI awareness). The icon is drawn by a small host tool, compiled here with
# the build machine's own C++ compiler from the same drawing code the Linux
# build uses, and run at build time; so the Windows build needs nothing from
# a Linux build tree.
target_link_libraries(vorhel_program PUBLIC ole32 user32 shell32 gdi32)

find_program(VORHEL_HOST_CXX NAMES c++ g++ clang++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(VORHEL_ICON_SOURCES ${ROOT}/app/windows/host/make_icon.cpp ${ROOT}/app/icon_pixels.cpp)
set(VORHEL_ICON_TOOL ${CMAKE_CURRENT_BINARY_DIR}/make-icon)
set(VORHEL_ICON_FILE ${CMAKE_CURRENT_BINARY_DIR}/vorhel.ico)
set(VORHEL_MANIFEST_FILE ${ROOT}/app/windows/program.manifest)
add_custom_command(OUTPUT ${VORHEL_ICON_TOOL}
  COMMAND ${VORHEL_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -Wpedantic -Werror -I${ROOT}
          ${VORHEL_ICON_SOURCES} -o ${VORHEL_ICON_TOOL}
  DEPENDS ${VORHEL_ICON_SOURCES}
  COMMENT "Building the host tool that draws the icon"
  VERBATIM)
add_custom_command(OUTPUT ${VORHEL_ICON_FILE}
  COMMAND ${VORHEL_ICON_TOOL} ${VORHEL_ICON_FILE}
  DEPENDS ${VORHEL_ICON_TOOL}
  COMMENT "Drawing the program's icon"
  VERBATIM)

configure_file(${ROOT}/app/windows/program.rc.in ${CMAKE_CURRENT_BINARY_DIR}/program.rc @ONLY)
set(VORHEL_PLATFORM_EXE_SOURCES ${CMAKE_CURRENT_BINARY_DIR}/program.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/program.rc PROPERTIES
  OBJECT_DEPENDS "${VORHEL_ICON_FILE};${VORHEL_MANIFEST_FILE}")

# A windowed program (no console); the toolchain links the compiler's run-time
# libraries in (cmake/mingw-i686.cmake).
function(vorhel_platform_executable name)
  target_include_directories(${name} PRIVATE ${ROOT})
  target_link_options(${name} PRIVATE -mwindows)
endfunction()
