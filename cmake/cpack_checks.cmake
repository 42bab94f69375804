# Read by cpack before it packs: a Debian package is made only of a build that has the hardening
# flags of Debian's own packages (see hardening.cmake), which needs dpkg-buildflags when the
# build is configured.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_VELLUM_HARDENED)
  message(FATAL_ERROR "This build has not got Debian's hardening flags: install dpkg-dev "
                      "(tools/deps package), configure and build again, then run cpack.")
endif()
