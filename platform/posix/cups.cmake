# The Linux `quelmar`: the run on the workstation's CUPS, through libcups.
# Debian ships no pkg-config file for libcups: cups-config first, then
# CMake's own FindCups.
find_program(QUELMAR_CUPS_CONFIG cups-config)
find_path(QUELMAR_CUPS_INCLUDE cups/cups.h)
add_library(quelmar_libcups INTERFACE)
set(QUELMAR_CUPS_FOUND FALSE)
if(QUELMAR_CUPS_CONFIG AND QUELMAR_CUPS_INCLUDE)
  execute_process(COMMAND ${QUELMAR_CUPS_CONFIG} --libs
                  RESULT_VARIABLE QUELMAR_CUPS_LIBS_RESULT
                  OUTPUT_VARIABLE QUELMAR_CUPS_LIBS
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${QUELMAR_CUPS_CONFIG} --cflags
                  RESULT_VARIABLE QUELMAR_CUPS_CFLAGS_RESULT
                  OUTPUT_VARIABLE QUELMAR_CUPS_CFLAGS
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(QUELMAR_CUPS_LIBS_RESULT EQUAL 0 AND QUELMAR_CUPS_CFLAGS_RESULT EQUAL 0)
    separate_arguments(QUELMAR_CUPS_LIBS UNIX_COMMAND "${QUELMAR_CUPS_LIBS}")
    separate_arguments(QUELMAR_CUPS_CFLAGS UNIX_COMMAND
                       "${QUELMAR_CUPS_CFLAGS}")
    target_link_libraries(quelmar_libcups INTERFACE ${QUELMAR_CUPS_LIBS})
    target_compile_options(quelmar_libcups INTERFACE ${QUELMAR_CUPS_CFLAGS})
    set(QUELMAR_CUPS_FOUND TRUE)
  endif()
endif()
if(NOT QUELMAR_CUPS_FOUND)
  find_package(Cups)
  if(NOT Cups_FOUND)
    message(FATAL_ERROR
      "libcups and its headers were not found (neither cups-config nor "
      "CMake's FindCups): install them with `apt-get install libcups2-dev`.")
  endif()
  target_link_libraries(quelmar_libcups INTERFACE Cups::Cups)
endif()

# Which kind of server serves a printer, the bounded waits for a print
# server: tested with the core.
target_sources(quelmar_core PRIVATE
  platform/posix/bounded_child.cc
  platform/posix/helper_program.cc
  platform/posix/print_server_kinds.cc
  platform/posix/server_probe.cc
)

# SMB print servers (Windows, Samba) are listed through libsmbclient, which
# is loaded at run time (smb_shares.cc): only its header is needed here.
find_package(PkgConfig)
if(PkgConfig_FOUND)
  pkg_check_modules(QUELMAR_SMBCLIENT IMPORTED_TARGET smbclient)
endif()
if(NOT QUELMAR_SMBCLIENT_FOUND)
  message(FATAL_ERROR
    "libsmbclient and its headers were not found (pkg-config smbclient): "
    "install them with `apt-get install libsmbclient-dev pkg-config`.")
endif()

# Requests to CUPS servers under a deadline, the watch of the workstation's
# queues, and how printer names map onto queues and URIs (libcups's URI
# functions): also linked into the unit tests and the reply fuzz target.
add_library(quelmar_cups_connection STATIC platform/posix/cups_connection.cc
            platform/posix/cups_names.cc platform/posix/cups_queue_watch.cc
            platform/posix/deadline_watcher.cc)
target_link_libraries(quelmar_cups_connection PUBLIC quelmar_core
                      quelmar_libcups PRIVATE quelmar_warnings)
# The misbehaving print server of the tests and the fuzz target.
add_library(quelmar_scripted_server STATIC platform/fake/scripted_server.cc)
target_link_libraries(quelmar_scripted_server PUBLIC quelmar_core
                      PRIVATE quelmar_warnings)

# The CUPS layer: the run's spooler (quelmar) and the reading of this
# workstation for a rehearsal (quelmar-snapshot, which quelmar-dryrun
# --this-workstation runs).
add_library(quelmar_cups STATIC
  platform/posix/cups_default.cc
  platform/posix/cups_snapshot.cc
  platform/posix/cups_print_servers.cc
  platform/posix/cups_workstation.cc
  platform/posix/smb_shares.cc
)
target_link_libraries(quelmar_cups PUBLIC quelmar_core quelmar_cups_connection
                      quelmar_libcups ${CMAKE_DL_LIBS} PRIVATE quelmar_warnings)
target_include_directories(quelmar_cups PRIVATE
                           ${QUELMAR_SMBCLIENT_INCLUDE_DIRS})

add_executable(quelmar tools/quelmar_posix.cc)
target_link_libraries(quelmar PRIVATE quelmar_cups quelmar_warnings)

# The reading of this workstation for quelmar-dryrun --this-workstation, in
# a program of its own so that quelmar-dryrun links no libcups.
add_executable(quelmar-snapshot tools/quelmar_snapshot.cc)
target_link_libraries(quelmar-snapshot PRIVATE quelmar_cups quelmar_warnings)
