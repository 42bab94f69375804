# Run by the install before anything is installed: which of the folders it is to put files in
# are missing, and every missing folder above them, so that the uninstaller takes away the
# folders this install makes and no other. Leaves them in VELLUM_FOLDERS_MISSING for
# uninstall_after.cmake.
#   VELLUM_INSTALL_FOLDERS   the folders, relative to the prefix or absolute
cmake_policy(VERSION 3.25)
set(VELLUM_FOLDERS_MISSING "")
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
foreach(folder IN LISTS VELLUM_INSTALL_FOLDERS)
  if(NOT IS_ABSOLUTE "${folder}")
    set(folder "${CMAKE_INSTALL_PREFIX}/${folder}")
  endif()
  cmake_path(NORMAL_PATH folder)
  string(REGEX REPLACE "(.)/+$" "\\1" folder "${folder}")
  while(NOT IS_DIRECTORY "${folder}" AND NOT folder IN_LIST VELLUM_FOLDERS_MISSING)
    list(APPEND VELLUM_FOLDERS_MISSING "${folder}")
    cmake_path(GET folder PARENT_PATH folder)
  endwhile()
endforeach()
