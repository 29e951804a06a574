# cmake -DSOURCE_DIR=<checkout> -DBUILD_DIR=<build>/extension -DUUID=... -P extension_format.cmake
# The companion build chosen for a GNOME Shell, and whether the Shell here
# (each test root runs this too) is named by the build made for it.
include(${SOURCE_DIR}/extension/ExtensionFormat.cmake)
# shell:packager's choice:expected build; without a Shell the reason says how to choose
foreach(row 43::legacy 44::legacy 45::modules 50::modules ::legacy :modules:modules 50:legacy:legacy)
  string(REGEX MATCH "^([0-9]*):([a-z]*):([a-z]+)$" _ ${row})
  set(expected ${CMAKE_MATCH_3})
  quoblin_choose_extension_format("${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}" format reason)
  if(NOT format STREQUAL expected OR (row STREQUAL "::legacy" AND NOT reason MATCHES "FORMAT=modules"))
    message(SEND_ERROR "${row}: chose ${format} (${reason})")
  endif()
endforeach()
quoblin_find_gnome_shell(shell)
if(shell)
  quoblin_choose_extension_format(${shell} "" format reason)
  file(READ ${BUILD_DIR}/${format}/${UUID}/metadata.json metadata)
  string(JSON listed GET "${metadata}" shell-version)
  if(NOT listed MATCHES "\"${shell}\"")
    message(SEND_ERROR "GNOME Shell ${shell} here is missing from the ${format} build's list ${listed}")
  endif()
endif()
