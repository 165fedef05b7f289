# The target `msi`: build/windows/Quelmar-VERSION.msi from the programs and
# the example, with wixl (Debian's msitools), when wixl is installed.
find_program(QUELMAR_WIXL wixl)
if(QUELMAR_WIXL)
  set(QUELMAR_MSI ${CMAKE_BINARY_DIR}/Quelmar-${PROJECT_VERSION}.msi)
  set(QUELMAR_WXS ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/installer/quelmar.wxs)
  set(QUELMAR_EXAMPLES ${CMAKE_CURRENT_SOURCE_DIR}/examples)
  # wixl takes the files' paths relative to the folder it runs in.
  file(RELATIVE_PATH QUELMAR_EXAMPLES_FROM_BUILD ${CMAKE_BINARY_DIR}
       ${QUELMAR_EXAMPLES})
  add_custom_command(OUTPUT ${QUELMAR_MSI}
    COMMAND ${QUELMAR_WIXL} --arch x64 -D Version=${PROJECT_VERSION}
            -D BinDir=. -D ExamplesDir=${QUELMAR_EXAMPLES_FROM_BUILD}
            -o ${QUELMAR_MSI} ${QUELMAR_WXS}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS ${QUELMAR_WXS} Quelmar quelmar-dryrun
            ${QUELMAR_EXAMPLES}/Quelmar.txt ${QUELMAR_EXAMPLES}/workstation.ini
    VERBATIM)
  add_custom_target(msi DEPENDS ${QUELMAR_MSI})
endif()
