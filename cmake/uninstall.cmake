# Taking away what `cmake --install` put in place. The install writes an uninstaller into the
# prefix, share/vellum/uninstall.sh, that removes exactly the files it installed and then the
# folders it made, each only when it is left empty; `cmake --build BUILD --target uninstall`
# runs the uninstallers of the installs made from BUILD. An install staged under DESTDIR, as a
# package is, gets none: its package manager takes it away.
#
# Two install rules of their own component ("uninstaller", which cpack leaves out) gather what
# the uninstaller needs: one before every other rule notes which folders are missing, and one
# after them (vellum_uninstaller_rule, called at the end of the top-level CMakeLists.txt) writes
# the uninstaller. Every folder an install rule puts files in is declared with
# vellum_install_folders, so that the first rule knows where to look.

# The installs of this build, one uninstaller's path a line.
set(VELLUM_UNINSTALLERS ${CMAKE_BINARY_DIR}/uninstallers.txt)
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DVELLUM_UNINSTALLERS=${VELLUM_UNINSTALLERS}
          -P ${CMAKE_CURRENT_LIST_DIR}/uninstall_all.cmake
  COMMENT "Uninstalling what was installed from this build" VERBATIM)

# vellum_install_folders(FOLDER...): folders, relative to the prefix or absolute, that install
# rules put files in.
function(vellum_install_folders)
  set_property(TARGET uninstall APPEND PROPERTY VELLUM_INSTALL_FOLDERS ${ARGN})
endfunction()

install(CODE "set(VELLUM_INSTALL_FOLDERS \"$<TARGET_PROPERTY:uninstall,VELLUM_INSTALL_FOLDERS>\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/uninstall_before.cmake\")" COMPONENT uninstaller)

set(VELLUM_UNINSTALLER ${CMAKE_INSTALL_DATADIR}/vellum/uninstall.sh)
vellum_install_folders(${CMAKE_INSTALL_DATADIR}/vellum)

function(vellum_uninstaller_rule)
  install(CODE "set(VELLUM_UNINSTALLER \"${VELLUM_UNINSTALLER}\")
    set(VELLUM_UNINSTALLER_TEXT \"${CMAKE_CURRENT_FUNCTION_LIST_DIR}/uninstall.sh.in\")
    set(VELLUM_UNINSTALLERS \"${VELLUM_UNINSTALLERS}\")
    include(\"${CMAKE_CURRENT_FUNCTION_LIST_DIR}/uninstall_after.cmake\")" COMPONENT uninstaller)
endfunction()
