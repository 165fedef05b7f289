# One unit-test binary with every *_test.cc beside its source (listed
# here), and the end-to-end runs of quelmar-dryrun.
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL)
  set(QUELMAR_GTEST gtest gmock)
else()
  find_package(GTest REQUIRED)
  set(QUELMAR_GTEST GTest::gtest GTest::gmock GTest::gtest_main)
endif()

add_executable(quelmar_tests
  app/action_execution_test.cc
  app/one_name_test.cc
  app/action_section_test.cc
  app/frm_quelmar_test.cc
  app/interrupted_replacement_test.cc
  app/journal_test.cc
  app/replace_fault_matrix_test.cc
  app/run_trace_test.cc
  app/snapshot_encoding_test.cc
  app/startup_test.cc
  app/workstation_snapshot_test.cc
  platform/console/console_ui_test.cc
  platform/fake/fakes.cc
  platform/large_buffer_test.cc
  platform/sim/workstation_test.cc
  services/case_compare_test.cc
  services/like_pattern_test.cc
  services/printer_services_test.cc
  services/profile_test.cc
  services/retry_backoff_test.cc
  services/shade_background_test.cc
  services/text_utils_test.cc
  services/unicode_test.cc
)
if(WIN32)
  target_sources(quelmar_tests PRIVATE
    platform/win32/file_system_win32_test.cc
    platform/win32/host_win32_test.cc
    platform/win32/main_window_win32_test.cc
    platform/win32/manifest_win32_test.cc
    platform/win32/off_window_thread_win32_test.cc
    platform/win32/printing_win32_test.cc
    platform/win32/test_main_win32_test.cc
    platform/win32/user_interface_win32_test.cc
  )
else()
  target_sources(quelmar_tests PRIVATE
    platform/posix/bounded_child_test.cc
    platform/posix/cups_connection_test.cc
    platform/posix/cups_names_test.cc
    platform/posix/cups_queue_watch_test.cc
    platform/posix/file_system_posix_test.cc
    platform/posix/helper_program_test.cc
    platform/posix/large_buffer_posix_test.cc
    platform/posix/print_server_kinds_test.cc
    platform/posix/server_probe_test.cc
    report/fleet_test.cc
    report/journal_reader_test.cc
  )
endif()
target_link_libraries(quelmar_tests PRIVATE quelmar_core quelmar_warnings
                      ${QUELMAR_GTEST})
if(NOT WIN32)
  target_link_libraries(quelmar_tests PRIVATE quelmar_cups_connection
                        quelmar_scripted_server quelmar_report)
endif()
add_test(NAME unit COMMAND quelmar_tests)
if(WIN32)
  # A main that never lets a crash wait for a click.
  target_sources(quelmar_tests PRIVATE platform/win32/test_main_win32.cc)
  # Run through the toolchain's emulator (Wine); the window tests wait for
  # the X server and the slow-spooler test takes seconds of its own.
  set_tests_properties(unit PROPERTIES TIMEOUT 600)
endif()

if(NOT WIN32)
  add_test(NAME dryrun_golden
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/run_golden.sh
            $<TARGET_FILE:quelmar-dryrun> ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e)
endif()

if(NOT WIN32)
  add_test(NAME options
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/options.sh
            ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  add_test(NAME manuals
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/manuals.sh
            ${CMAKE_BINARY_DIR}/man ${PROJECT_VERSION})
endif()
