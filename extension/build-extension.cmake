# Writes one build of the companion extension into OUTPUT_DIR.
#   cmake -DSOURCE_DIR=... -DOUTPUT_DIR=... -DFORMAT=legacy|modules
#         -DUUID=... -DSHELL_VERSIONS='"45", "46"' -DEXTENSION_VERSION=1
#         -DPROGRAM=/usr/bin/quoblin -P build-extension.cmake
# Both formats share src/service.js; ES modules need an explicit export,
# which the legacy loader would reject, so only the modules build gets it.
foreach(var SOURCE_DIR OUTPUT_DIR FORMAT UUID SHELL_VERSIONS EXTENSION_VERSION PROGRAM)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build-extension: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${OUTPUT_DIR})
file(MAKE_DIRECTORY ${OUTPUT_DIR})

set(QUOBLIN_EXTENSION_UUID ${UUID})
set(QUOBLIN_SHELL_VERSIONS ${SHELL_VERSIONS})
set(QUOBLIN_EXTENSION_VERSION ${EXTENSION_VERSION})
configure_file(${SOURCE_DIR}/metadata.json.in ${OUTPUT_DIR}/metadata.json @ONLY)

file(READ ${SOURCE_DIR}/src/service.js service)
# The one program the companion serves (the test harness points a copy at the build's).
string(REPLACE "@QUOBLIN_PROGRAM@" "${PROGRAM}" service "${service}")
# The interface's one copy, which the program's unit test also reads; it goes
# into a template string, where a backquote or a placeholder would end or change it.
file(READ ${SOURCE_DIR}/io.github.quoblin.Shell1.xml interface)
if(interface MATCHES "[`]" OR interface MATCHES "[$][{]")
  message(FATAL_ERROR "build-extension: the interface XML may hold no ` and no \${")
endif()
string(REPLACE "@QUOBLIN_INTERFACE_XML@" "${interface}" service "${service}")
if(FORMAT STREQUAL "modules")
  string(APPEND service "\nexport {createQuoblinService};\n")
elseif(NOT FORMAT STREQUAL "legacy")
  message(FATAL_ERROR "build-extension: unknown format ${FORMAT}")
endif()
file(WRITE ${OUTPUT_DIR}/service.js "${service}")
file(COPY ${SOURCE_DIR}/src/${FORMAT}/extension.js DESTINATION ${OUTPUT_DIR})
