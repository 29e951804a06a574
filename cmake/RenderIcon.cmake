# quoblin_rendered_icon(<output> <input.svg> <size> <what> [TRAY])
#
# Draws <input.svg> <size> pixels square into <output> when the build needs
# it, with packaging/render-icon.cpp: a PNG, or with TRAY the tray icon's
# pixels as the program shows them.
function(quoblin_rendered_icon output input size what)
  cmake_parse_arguments(PARSE_ARGV 4 arg "TRAY" "" "")
  set(mode)
  if(arg_TRAY)
    set(mode --tray)
  endif()
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    # A sanitized build must not fail on what Qt keeps allocated at exit.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:quoblin_render_icon> ${mode} ${input} ${size} ${output}
    DEPENDS quoblin_render_icon ${input}
    COMMENT "Drawing the ${size}x${size} ${what}"
    VERBATIM)
endfunction()
