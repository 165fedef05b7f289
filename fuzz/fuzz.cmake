# libFuzzer targets, built by the `fuzz` preset (clang; the core is compiled
# with -fsanitize=fuzzer-no-link and the sanitizers through CMAKE_CXX_FLAGS).
foreach(target run_fuzzer profile_fuzzer text_utils_fuzzer)
  add_executable(${target} fuzz/${target}.cc)
  target_link_libraries(${target} PRIVATE quelmar_core quelmar_warnings)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
endforeach()
target_sources(run_fuzzer PRIVATE platform/fake/fakes.cc)
add_executable(journal_fuzzer fuzz/journal_fuzzer.cc)
target_link_libraries(journal_fuzzer PRIVATE quelmar_report)
target_link_options(journal_fuzzer PRIVATE -fsanitize=fuzzer)

# Replies of a print server to a request, on a local socket.
add_executable(reply_fuzzer fuzz/reply_fuzzer.cc)
target_link_libraries(reply_fuzzer PRIVATE quelmar_cups_connection quelmar_warnings
                      quelmar_scripted_server)
target_link_options(reply_fuzzer PRIVATE -fsanitize=fuzzer)
