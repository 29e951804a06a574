# Runs in CPack after the staging install: compresses the manual pages the way
# Debian expects them (gzip -9, no name or time stamp, so builds repeat).
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man[1-9]/*.[1-9]")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not compress ${page}")
  endif()
endforeach()
