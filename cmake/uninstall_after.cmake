# Run by the install after everything else: writes the uninstaller into the prefix, listing
# the files this install put in place (itself among them) and the folders it made, and notes
# it in the build's list of installs. What an earlier install into the same prefix listed stays
# listed, as its folders were made by that install and its files may be left from it.
#   VELLUM_UNINSTALLER        where the uninstaller goes, relative to the prefix
#   VELLUM_UNINSTALLER_TEXT   its text, with @VELLUM_PREFIX@ and @VELLUM_RECORD@ to fill in
#   VELLUM_UNINSTALLERS       the build's list of installs
#   VELLUM_FOLDERS_MISSING    from uninstall_before.cmake
cmake_policy(VERSION 3.25)
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
set(uninstaller "${CMAKE_INSTALL_PREFIX}/${VELLUM_UNINSTALLER}")
cmake_path(NORMAL_PATH uninstaller)

cmake_path(GET uninstaller PARENT_PATH uninstaller_folder)
file(MAKE_DIRECTORY "${uninstaller_folder}")

set(files ${CMAKE_INSTALL_MANIFEST_FILES} "${uninstaller}")
set(folders "")
foreach(folder IN LISTS VELLUM_FOLDERS_MISSING)
  if(IS_DIRECTORY "${folder}")
    list(APPEND folders "${folder}")
  endif()
endforeach()
if(EXISTS "${uninstaller}")
  file(STRINGS "${uninstaller}" earlier REGEX "^(file|folder) /")
  foreach(line IN LISTS earlier)
    string(REGEX MATCH "^(file|folder) (.*)$" line "${line}")
    list(APPEND ${CMAKE_MATCH_1}s "${CMAKE_MATCH_2}")
  endforeach()
endif()
list(REMOVE_DUPLICATES files)
list(SORT files)
# A folder sorts after its parent: in reverse, the uninstaller empties it before the parent.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
set(record "")
foreach(kind file folder)
  foreach(path IN LISTS ${kind}s)
    string(APPEND record "${kind} ${path}\n")
  endforeach()
endforeach()

file(READ "${VELLUM_UNINSTALLER_TEXT}" text)
# The prefix as one word of the shell: in single quotes, each of its own as '\''.
string(REPLACE "'" "'\\''" quoted "${CMAKE_INSTALL_PREFIX}")
string(REPLACE "@VELLUM_PREFIX@" "'${quoted}'" text "${text}")
string(REPLACE "@VELLUM_RECORD@\n" "${record}" text "${text}")
# Written under a name of this run's own, so that two installs at once do not share it.
string(RANDOM LENGTH 12 run)
set(staged "${VELLUM_UNINSTALLERS}.install-${run}")
file(WRITE "${staged}" "${text}")
cmake_path(GET uninstaller FILENAME name)
file(INSTALL DESTINATION "${uninstaller_folder}" TYPE PROGRAM RENAME "${name}" FILES "${staged}")
file(REMOVE "${staged}")

set(listed "")
if(EXISTS "${VELLUM_UNINSTALLERS}")
  file(STRINGS "${VELLUM_UNINSTALLERS}" listed)
endif()
if(NOT uninstaller IN_LIST listed)
  file(APPEND "${VELLUM_UNINSTALLERS}" "${uninstaller}\n")
endif()
message(STATUS "Uninstall with: ${uninstaller}")
