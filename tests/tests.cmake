# One unit-test binary with every *_test.cc beside its source, and the
# end-to-end runs of quelmar-dryrun.
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL)
  set(QUELMAR_GTEST gtest gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(QUELMAR_GTEST GTest::gtest GTest::gmock GTest::gtest_main)
endif()

file(GLOB_RECURSE QUELMAR_UNIT_TESTS CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/app/*_test.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/services/*_test.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/*_test.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/report/*_test.cc)
if(WIN32)
  list(FILTER QUELMAR_UNIT_TESTS EXCLUDE REGEX "/posix/|/report/")
else()
  list(FILTER QUELMAR_UNIT_TESTS EXCLUDE REGEX "/win32/")
endif()
add_executable(quelmar_tests ${QUELMAR_UNIT_TESTS} platform/fake/fakes.cc)
target_link_libraries(quelmar_tests PRIVATE quelmar_core ${QUELMAR_GTEST})
if(NOT WIN32)
  target_link_libraries(quelmar_tests PRIVATE quelmar_report)
  target_link_libraries(quelmar_tests PRIVATE quelmar_cups_connection
                        quelmar_scripted_server)
endif()
add_test(NAME unit COMMAND quelmar_tests)

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
