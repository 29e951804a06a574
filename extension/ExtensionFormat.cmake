# Which build of the companion extension a GNOME Shell loads, and which Shell
# this system has. Included by extension/CMakeLists.txt; its test runs it in
# script mode.

# The Shells each build names in its shell-version list: every one it was
# tested on. The Shell refuses a build whose list lacks its major version.
set(QUOBLIN_SHELL_VERSIONS_legacy 43 44)
set(QUOBLIN_SHELL_VERSIONS_modules 45 46 47 48 49 50 51)

# The major version of the GNOME Shell on this system, or "" when it has none:
# from `gnome-shell --version`, else from the version of the libmutter-N
# development files (mutter and the Shell share their numbers).
function(quoblin_find_gnome_shell out_version)
  set(version "")
  find_program(QUOBLIN_GNOME_SHELL gnome-shell)
  if(QUOBLIN_GNOME_SHELL)
    execute_process(COMMAND ${QUOBLIN_GNOME_SHELL} --version OUTPUT_VARIABLE said
      ERROR_QUIET RESULT_VARIABLE status TIMEOUT 20)
    if(status EQUAL 0 AND said MATCHES "GNOME Shell ([0-9]+)")
      set(version ${CMAKE_MATCH_1})
    endif()
  endif()
  find_program(QUOBLIN_PKG_CONFIG pkg-config)
  if(NOT version AND QUOBLIN_PKG_CONFIG)
    execute_process(COMMAND ${QUOBLIN_PKG_CONFIG} --list-all OUTPUT_VARIABLE modules ERROR_QUIET)
    string(REGEX MATCHALL "libmutter-[0-9]+" mutters "${modules}")
    foreach(mutter IN LISTS mutters)
      execute_process(COMMAND ${QUOBLIN_PKG_CONFIG} --modversion ${mutter}
        OUTPUT_VARIABLE said ERROR_QUIET)
      if(said MATCHES "^([0-9]+)" AND CMAKE_MATCH_1 GREATER version)
        set(version ${CMAKE_MATCH_1})
      endif()
    endforeach()
  endif()
  set(${out_version} "${version}" PARENT_SCOPE)
endfunction()

# The build for a Shell's major version ("" for none found), unless the
# packager named one (`override`, legacy or modules); `out_reason` says why.
function(quoblin_choose_extension_format shell override out_format out_reason)
  if(override)
    if(NOT override MATCHES "^(legacy|modules)$")
      message(FATAL_ERROR "QUOBLIN_EXTENSION_INSTALL_FORMAT is legacy or modules, not ${override}")
    endif()
    set(format ${override})
    set(reason "as QUOBLIN_EXTENSION_INSTALL_FORMAT says")
  elseif(NOT shell)
    set(format legacy)
    set(reason "no GNOME Shell found on this system; pass -DQUOBLIN_EXTENSION_INSTALL_FORMAT=modules for GNOME Shell 45 and later")
  elseif(shell LESS 45)
    set(format legacy)
    set(reason "for GNOME Shell ${shell} found on this system")
  else()
    set(format modules)
    set(reason "for GNOME Shell ${shell} found on this system")
  endif()
  set(${out_format} ${format} PARENT_SCOPE)
  set(${out_reason} "${reason}" PARENT_SCOPE)
endfunction()
