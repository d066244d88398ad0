# Run by CPack after it installed the files into its staging folder, before the RPM is made
# (CPACK_PRE_BUILD_SCRIPTS). The package owns only the directories that are its own: those whose
# path names the package (share/corvalantis, share/doc/corvalantis, ...). Every other directory
# that the install passes through (share/applications, the icon theme's size folders, the udev
# rules folder, whatever a new install rule adds) belongs to the system or to another package,
# so it is left out of the file list instead of being listed one by one.
if(NOT CPACK_GENERATOR STREQUAL "RPM")
  return()
endif()
set(staging "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
if(NOT IS_DIRECTORY "${staging}${CPACK_PACKAGING_INSTALL_PREFIX}")
  message(FATAL_ERROR "own-directories.cmake: no staging tree at ${staging}")
endif()
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${staging}" "${staging}/*")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${staging}/${entry}" AND NOT entry MATCHES "${CPACK_PACKAGE_NAME}")
    list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION "/${entry}")
  endif()
endforeach()
