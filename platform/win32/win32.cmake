# The Windows build: the Win32 platform layer in quelmar_core, and the
# program Quelmar.exe with its resources.
enable_language(RC)

target_sources(quelmar_core PRIVATE
  platform/win32/banner_picture_win32.cc
  platform/win32/default_printer_win32.cc
  platform/win32/file_system_win32.cc
  platform/win32/host_win32.cc
  platform/win32/journal_file_win32.cc
  platform/win32/large_buffer_win32.cc
  platform/win32/main_window_win32.cc
  platform/win32/message_table_win32.cc
  platform/win32/off_window_thread_win32.cc
  platform/win32/spooler_win32.cc
  platform/win32/terminal_win32.cc
  platform/win32/this_workstation_win32.cc
  platform/win32/user_interface_win32.cc
  platform/win32/wide.cc
)
# The wide (W) functions are called by name; UNICODE makes every other
# Win32 macro wide as well.
target_compile_definitions(quelmar_core PUBLIC UNICODE _UNICODE)
target_link_libraries(quelmar_core PUBLIC winspool comctl32 gdi32 user32
                      advapi32)

# The resource script reads the one version source, the project's version.
set(QUELMAR_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/resources)
set(QUELMAR_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/generated)
configure_file(${QUELMAR_RESOURCES}/quelmar.rc.in
               ${QUELMAR_GENERATED}/quelmar.rc @ONLY)
configure_file(${QUELMAR_RESOURCES}/quelmar.manifest.in
               ${QUELMAR_GENERATED}/quelmar.manifest @ONLY)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} --codepage=65001")

# Every Windows program carries the resources (the tests need the banner and
# the icon of the window): the objects go on each link line, not into the
# archive, where nothing would pull them in.
add_library(quelmar_resources OBJECT ${QUELMAR_GENERATED}/quelmar.rc)
# The resource compiler's inputs, which CMake does not scan for.
set_source_files_properties(${QUELMAR_GENERATED}/quelmar.rc PROPERTIES
  OBJECT_DEPENDS "${QUELMAR_GENERATED}/quelmar.manifest;${QUELMAR_RESOURCES}/quelmar.ico;${QUELMAR_RESOURCES}/banner.bmp;${QUELMAR_RESOURCES}/resource_ids.h")
target_link_libraries(quelmar_core INTERFACE
                      $<TARGET_OBJECTS:quelmar_resources>)

add_executable(Quelmar WIN32 tools/quelmar_win32.cc)
target_link_options(Quelmar PRIVATE -municode)
target_link_libraries(Quelmar PRIVATE quelmar_core quelmar_warnings)

include(platform/win32/installer/installer.cmake)
