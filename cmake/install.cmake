# What the programs install with them (Linux): the programs, their manual
# pages (gzip-compressed, as Debian ships them), the README and the example
# under share/doc/quelmar. The manual pages are also rendered by the test
# `manuals` (man -l, every warning an error).
include(GNUInstallDirs)

set(QUELMAR_MANUALS quelmar.1 quelmar-dryrun.1 quelmar-report.1
                    quelmar-script.5)
set(QUELMAR_MANUAL_PAGES)
foreach(page IN LISTS QUELMAR_MANUALS)
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/man/${page}.in)
  set(page_file ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
  configure_file(${source} ${page_file} @ONLY)
  # -n: no name or time stamp in the archive, so a rebuild gives the same
  # bytes.
  add_custom_command(OUTPUT ${page_file}.gz
    COMMAND gzip -9nfk ${page_file}
    DEPENDS ${source} VERBATIM)
  list(APPEND QUELMAR_MANUAL_PAGES ${page_file}.gz)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${page})
  install(FILES ${page_file}.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(manuals ALL DEPENDS ${QUELMAR_MANUAL_PAGES})

install(TARGETS quelmar-dryrun RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# quelmar-dryrun's helper for --this-workstation, in the package's private
# folder (/usr/libexec/quelmar), which quelmar-dryrun finds from its own
# folder; in the build tree it sits beside it.
set(QUELMAR_HELPER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/quelmar)
file(RELATIVE_PATH QUELMAR_HELPER_FROM_BIN /${CMAKE_INSTALL_BINDIR}
     /${QUELMAR_HELPER_DIR})
target_compile_definitions(quelmar-dryrun PRIVATE
  QUELMAR_HELPER_FROM_BIN="${QUELMAR_HELPER_FROM_BIN}")
install(TARGETS quelmar-snapshot RUNTIME DESTINATION ${QUELMAR_HELPER_DIR})
if(TARGET quelmar)
  install(TARGETS quelmar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET quelmar-report)
  install(TARGETS quelmar-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
set(QUELMAR_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quelmar)
install(FILES README.md DESTINATION ${QUELMAR_DOCDIR})
install(FILES examples/Quelmar.txt examples/workstation.ini
        DESTINATION ${QUELMAR_DOCDIR}/examples)
