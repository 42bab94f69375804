# Debian builds its packages hardened: a stack protector, fortified libc calls, read-only
# relocations and immediate binding. dpkg-buildflags says which flags that takes; every target
# of this build takes them too, so that the package made of it (cpack) is as hardened as
# Debian's own. Only the hardening flags are taken (the flags with every hardening feature on,
# less those with every one off): the build type keeps its own optimisation and debugging.
# A sanitized build goes without, as fortified calls would hide their accesses from the
# sanitizers; so does a Debug build, which fortification cannot work in (it needs -O).
# Sets VELLUM_HARDENED to whether the flags were found and taken.
option(VELLUM_HARDEN "Build with the hardening flags dpkg-buildflags gives Debian's packages" ON)
set(VELLUM_HARDENED OFF)
if(NOT VELLUM_HARDEN OR VELLUM_SANITIZE OR CMAKE_BUILD_TYPE STREQUAL "Debug")
  return()
endif()
find_program(VELLUM_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT VELLUM_DPKG_BUILDFLAGS)
  message(STATUS "dpkg-buildflags not found (it is in dpkg-dev): built without Debian's hardening flags")
  return()
endif()

# The flags of one kind that hardening adds, as a list.
function(vellum_hardening_flags kind out)
  foreach(features +all -all)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=${features}
                            ${VELLUM_DPKG_BUILDFLAGS} --get ${kind}
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE flags
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags${features} UNIX_COMMAND "${flags}")
  endforeach()
  if(flags-all)
    list(REMOVE_ITEM flags+all ${flags-all})
  endif()
  set(${out} ${flags+all} PARENT_SCOPE)
endfunction()

vellum_hardening_flags(CPPFLAGS cppflags)
vellum_hardening_flags(CXXFLAGS cxxflags)
vellum_hardening_flags(LDFLAGS ldflags)
target_compile_options(vellum_common INTERFACE ${cppflags} ${cxxflags})
target_link_options(vellum_common INTERFACE ${ldflags})
string(JOIN " " shown ${cppflags} ${cxxflags} ${ldflags})
message(STATUS "Hardened as Debian's packages: ${shown}")
set(VELLUM_HARDENED ON)
