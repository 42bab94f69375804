# Run by the install: puts the desktop entry in place. A menu starts a program by its entry's
# Exec line, looked up on the PATH of the desktop session; a user's ~/.local/bin is on that PATH
# only when it existed at login (Debian's ~/.profile), so right after a first install into
# ~/.local the launcher would find nothing until the next login. Unless the programs go into
# one of the folders of programs every session has on its PATH, the entry names the program by
# the path it is installed at (a package installs into /usr and keeps the bare name).
#   VELLUM_ENTRY          the configured entry, which names the program "vellum"
#   VELLUM_ENTRY_DIR      where it goes, relative to the prefix
#   VELLUM_BINDIR         where the programs go, relative to the prefix or absolute
cmake_policy(VERSION 3.25)

# path as one argument of an Exec line: quoted when it holds a reserved character, with "`$\
# escaped inside the quotes, and % doubled (the desktop's field codes start with one).
function(vellum_exec_argument path out)
  set(argument "${path}")
  if(argument MATCHES "[] \t\n\"'\\\\<>~|&;$*?#()`[]")
    string(REPLACE "\\" "\\\\" argument "${argument}")
    foreach(special "\"" "`" "$")
      string(REPLACE "${special}" "\\${special}" argument "${argument}")
    endforeach()
    set(argument "\"${argument}\"")
  endif()
  string(REPLACE "%" "%%" argument "${argument}")
  set(${out} "${argument}" PARENT_SCOPE)
endfunction()

# text as the value of a desktop entry's string key: backslashes and line breaks escaped.
function(vellum_entry_string text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  string(REPLACE "\r" "\\r" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

if(IS_ABSOLUTE "${VELLUM_BINDIR}")
  set(bindir "${VELLUM_BINDIR}")
else()
  set(bindir "${CMAKE_INSTALL_PREFIX}/${VELLUM_BINDIR}")
endif()
cmake_path(NORMAL_PATH bindir)
string(REGEX REPLACE "(.)/+$" "\\1" bindir "${bindir}")
set(on_every_path /usr/local/bin /usr/bin /bin /usr/local/games /usr/games)

file(READ "${VELLUM_ENTRY}" entry)
if(NOT bindir IN_LIST on_every_path)
  set(program "${bindir}/vellum")
  vellum_exec_argument("${program}" argument)
  vellum_entry_string("${argument}" exec)
  vellum_entry_string("${program}" try_exec)
  string(REPLACE "\nTryExec=vellum\n" "\nTryExec=${try_exec}\n" entry "${entry}")
  string(REPLACE "\nExec=vellum " "\nExec=${exec} " entry "${entry}")
endif()

# Written beside the build's entry under a name of this run's own, so that two installs at once
# do not share it, and installed under the entry's name.
get_filename_component(name "${VELLUM_ENTRY}" NAME)
string(RANDOM LENGTH 12 run)
set(staged "${VELLUM_ENTRY}.install-${run}")
file(WRITE "${staged}" "${entry}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${VELLUM_ENTRY_DIR}" TYPE FILE RENAME "${name}"
     FILES "${staged}")
file(REMOVE "${staged}")
