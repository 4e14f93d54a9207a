# Run by cpack after the install and before the package is made: Debian keeps
# the commands of games in /usr/games, so the package's launcher moves there
# from /usr/bin. Both lie one level under the prefix, so the launcher finds
# the program folder all the same.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(_usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr)
  if(NOT EXISTS ${_usr}/bin/quillory)
    message(FATAL_ERROR "deb_layout: no launcher at ${_usr}/bin/quillory")
  endif()
  file(MAKE_DIRECTORY ${_usr}/games)
  file(RENAME ${_usr}/bin/quillory ${_usr}/games/quillory)
  file(GLOB _left ${_usr}/bin/*)
  if(NOT _left)
    file(REMOVE_RECURSE ${_usr}/bin)
  endif()
endif()
