# Assembles ${CMAKE_BINARY_DIR}/sample-root, a miniature of the set's file
# system: the committed configuration under sample-root/, the OSD art rendered
# from the SVG sources under art/, the DejaVu fonts the layouts refer to and
# the key files under ciplus/ generated from keyfiles/sample-keyfiles.txt.

set(BRISKUI_SAMPLE_ROOT "${CMAKE_BINARY_DIR}/sample-root")
set(BRISKUI_ART_DIR "${BRISKUI_SAMPLE_ROOT}/config/briskui/images")
set(BRISKUI_SAMPLE_ROOT "${BRISKUI_SAMPLE_ROOT}" CACHE INTERNAL "Assembled sample file-system root")
set(BRISKUI_ART_DIR "${BRISKUI_ART_DIR}" CACHE INTERNAL "Generated OSD art in the sample root")
set(_briskui_font_out "${BRISKUI_SAMPLE_ROOT}/config/briskui/fonts")

set(BRISKUI_DEJAVU_DIR "/usr/share/fonts/truetype/dejavu" CACHE PATH
  "Directory holding DejaVuSans.ttf and DejaVuSans-Bold.ttf")
set(_briskui_fonts DejaVuSans.ttf DejaVuSans-Bold.ttf)
foreach(_font IN LISTS _briskui_fonts)
  if(NOT EXISTS "${BRISKUI_DEJAVU_DIR}/${_font}")
    message(FATAL_ERROR
      "${BRISKUI_DEJAVU_DIR}/${_font} not found; the sample root needs the DejaVu fonts. "
      "Install them with 'apt-get install fonts-dejavu-core' or set BRISKUI_DEJAVU_DIR.")
  endif()
endforeach()

set(_briskui_sample_outputs)

# Committed files: one copy rule per file, so an edit re-copies just that
# file and a new file is picked up at the next configure (CONFIGURE_DEPENDS).
file(GLOB_RECURSE _briskui_sample_files CONFIGURE_DEPENDS
  RELATIVE "${CMAKE_SOURCE_DIR}/sample-root" "${CMAKE_SOURCE_DIR}/sample-root/*")
foreach(_rel IN LISTS _briskui_sample_files)
  if(_rel MATCHES "^config/briskui/images/")
    message(FATAL_ERROR
      "sample-root/${_rel}: the images folder holds only art rendered from art/*.svg; "
      "add the picture as an SVG under art/ instead (see art/README.md).")
  endif()
  set(_src "${CMAKE_SOURCE_DIR}/sample-root/${_rel}")
  set(_dst "${BRISKUI_SAMPLE_ROOT}/${_rel}")
  add_custom_command(OUTPUT "${_dst}"
    COMMAND ${CMAKE_COMMAND} -E copy "${_src}" "${_dst}"
    DEPENDS "${_src}"
    COMMENT "Copying sample-root/${_rel}"
    VERBATIM)
  list(APPEND _briskui_sample_outputs "${_dst}")
endforeach()

# Art: art/NAME.svg renders to config/briskui/images/NAME.png at the SVG's
# own size, one rule per file, so an edited SVG re-renders just its PNG and a
# new SVG is picked up at the next configure. A file the library names with
# an upper-case extension is drawn as art/NAME.PNG.svg and renders to
# NAME.PNG. scripts/render-svg renders each one (through a temporary file: a
# failed render never leaves a PNG that looks done).
find_program(BRISKUI_RSVG_CONVERT rsvg-convert
  DOC "rsvg-convert, which renders the sample root's art from SVG")
if(NOT BRISKUI_RSVG_CONVERT OR NOT EXISTS "${BRISKUI_RSVG_CONVERT}")
  message(FATAL_ERROR
    "rsvg-convert not found (BRISKUI_RSVG_CONVERT is '${BRISKUI_RSVG_CONVERT}'); the sample root's PNG art is rendered from art/*.svg with it. "
    "Install it with 'apt-get install librsvg2-bin' (scripts/install-deps does), "
    "or set BRISKUI_RSVG_CONVERT to its path.")
endif()

# The renderer's command line lives in scripts/render-svg, which briskui-sim's
# live window runs too when an SVG changes.
set(BRISKUI_RENDER_SVG "${CMAKE_SOURCE_DIR}/scripts/render-svg" CACHE INTERNAL "Renders one SVG of the art")
set(_briskui_render_svg ${CMAKE_COMMAND} -E env "BRISKUI_RSVG_CONVERT=${BRISKUI_RSVG_CONVERT}" "${BRISKUI_RENDER_SVG}")

file(GLOB_RECURSE _briskui_svgs CONFIGURE_DEPENDS
  RELATIVE "${CMAKE_SOURCE_DIR}/art" "${CMAKE_SOURCE_DIR}/art/*.svg")
# A picture with a normal and a focused state (menu icons, whose paths end in
# "n.png" / "f.png") is one source, art/NAME.nf.svg, rendered twice: to
# NAME_n.png with art/states/normal.css and to NAME_f.png with
# art/states/focused.css. The style sheets hide the elements of the other
# state, so both files share every other element and cannot drift apart.
set(_briskui_state_css_n "${CMAKE_SOURCE_DIR}/art/states/normal.css")
set(_briskui_state_css_f "${CMAKE_SOURCE_DIR}/art/states/focused.css")
set(_briskui_art_outputs)
foreach(_rel IN LISTS _briskui_svgs)
  if(_rel MATCHES "\\.nf\\.svg$")
    string(REGEX REPLACE "\\.nf\\.svg$" "" _stem "${_rel}")
    set(_src "${CMAKE_SOURCE_DIR}/art/${_rel}")
    foreach(_state n f)
      set(_dst "${BRISKUI_ART_DIR}/${_stem}_${_state}.png")
      add_custom_command(OUTPUT "${_dst}"
        COMMAND ${_briskui_render_svg} "${_src}" "${_dst}" "${_briskui_state_css_${_state}}"
        DEPENDS "${_src}" "${_briskui_state_css_${_state}}" "${BRISKUI_RENDER_SVG}"
        COMMENT "Rendering art/${_rel} (${_state})"
        VERBATIM)
      list(APPEND _briskui_art_outputs "${_dst}")
    endforeach()
    continue()
  endif()
  if(_rel MATCHES "\\.PNG\\.svg$")
    string(REGEX REPLACE "\\.svg$" "" _png "${_rel}")
  else()
    string(REGEX REPLACE "\\.svg$" ".png" _png "${_rel}")
  endif()
  set(_src "${CMAKE_SOURCE_DIR}/art/${_rel}")
  set(_dst "${BRISKUI_ART_DIR}/${_png}")
  add_custom_command(OUTPUT "${_dst}"
    COMMAND ${_briskui_render_svg} "${_src}" "${_dst}"
    DEPENDS "${_src}" "${BRISKUI_RENDER_SVG}"
    COMMENT "Rendering art/${_rel}"
    VERBATIM)
  list(APPEND _briskui_art_outputs "${_dst}")
endforeach()
list(APPEND _briskui_sample_outputs ${_briskui_art_outputs})

# A PNG whose SVG was removed or renamed would still satisfy a layout that
# names it; drop such left-overs so the sample root holds rendered art only.
file(GLOB_RECURSE _briskui_old_art "${BRISKUI_ART_DIR}/*.png" "${BRISKUI_ART_DIR}/*.PNG")
foreach(_old IN LISTS _briskui_old_art)
  if(NOT _old IN_LIST _briskui_art_outputs)
    file(REMOVE "${_old}")
  endif()
endforeach()

# Fonts are copied rather than linked so the tree can be copied onto a set.
foreach(_font IN LISTS _briskui_fonts)
  add_custom_command(OUTPUT "${_briskui_font_out}/${_font}"
    COMMAND ${CMAKE_COMMAND} -E copy "${BRISKUI_DEJAVU_DIR}/${_font}" "${_briskui_font_out}/${_font}"
    DEPENDS "${BRISKUI_DEJAVU_DIR}/${_font}"
    COMMENT "Copying font ${_font}"
    VERBATIM)
  list(APPEND _briskui_sample_outputs "${_briskui_font_out}/${_font}")
endforeach()

# Key files: generated into /ciplus/ from keyfiles/sample-keyfiles.txt by
# scripts/make-keyfiles, never committed as binaries. The outputs are the
# description's `file` lines, read at configure time; editing the
# description reconfigures.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(_briskui_key_description "${CMAKE_SOURCE_DIR}/keyfiles/sample-keyfiles.txt")
set(_briskui_key_generator "${CMAKE_SOURCE_DIR}/scripts/make-keyfiles")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_briskui_key_description}")
file(STRINGS "${_briskui_key_description}" _briskui_key_lines REGEX "^file[ \t]")
set(_briskui_key_outputs)
foreach(_line IN LISTS _briskui_key_lines)
  string(REGEX REPLACE "^file[ \t]+([^ \t]+).*$" "\\1" _key "${_line}")
  list(APPEND _briskui_key_outputs "${BRISKUI_SAMPLE_ROOT}/ciplus/${_key}")
endforeach()
add_custom_command(OUTPUT ${_briskui_key_outputs}
  COMMAND "${Python3_EXECUTABLE}" "${_briskui_key_generator}" "${_briskui_key_description}"
    "${BRISKUI_SAMPLE_ROOT}/ciplus"
  DEPENDS "${_briskui_key_description}" "${_briskui_key_generator}"
  COMMENT "Generating the sample key files"
  VERBATIM)
list(APPEND _briskui_sample_outputs ${_briskui_key_outputs})

add_custom_target(sample-root ALL DEPENDS ${_briskui_sample_outputs})
