# Assembles ${CMAKE_BINARY_DIR}/sample-root, a miniature of the set's file
# system: the committed configuration under sample-root/, the generated
# volume OSD art and the DejaVu fonts the layouts refer to.

add_executable(briskui-mkart tools/mkart.cpp)
target_link_libraries(briskui-mkart PRIVATE briskui_sim_common)
target_compile_options(briskui-mkart PRIVATE ${BRISKUI_WARNINGS})

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
  set(_src "${CMAKE_SOURCE_DIR}/sample-root/${_rel}")
  set(_dst "${BRISKUI_SAMPLE_ROOT}/${_rel}")
  add_custom_command(OUTPUT "${_dst}"
    COMMAND ${CMAKE_COMMAND} -E copy "${_src}" "${_dst}"
    DEPENDS "${_src}"
    COMMENT "Copying sample-root/${_rel}"
    VERBATIM)
  list(APPEND _briskui_sample_outputs "${_dst}")
endforeach()

# Generated art. The list must match what briskui-mkart writes.
set(_briskui_art
  vol_panel.png mute_panel.png vol_track.png
  vol_bar_left.png vol_bar_center.png vol_bar_right.png
  icon_volume.png icon_half_mute.png icon_mute.png)
set(_briskui_art_outputs)
foreach(_png IN LISTS _briskui_art)
  list(APPEND _briskui_art_outputs "${BRISKUI_ART_DIR}/${_png}")
endforeach()
add_custom_command(OUTPUT ${_briskui_art_outputs}
  COMMAND briskui-mkart "${BRISKUI_ART_DIR}"
  DEPENDS briskui-mkart
  COMMENT "Drawing the volume OSD art"
  VERBATIM)
list(APPEND _briskui_sample_outputs ${_briskui_art_outputs})

# Fonts are copied rather than linked so the tree can be copied onto a set.
foreach(_font IN LISTS _briskui_fonts)
  add_custom_command(OUTPUT "${_briskui_font_out}/${_font}"
    COMMAND ${CMAKE_COMMAND} -E copy "${BRISKUI_DEJAVU_DIR}/${_font}" "${_briskui_font_out}/${_font}"
    DEPENDS "${BRISKUI_DEJAVU_DIR}/${_font}"
    COMMENT "Copying font ${_font}"
    VERBATIM)
  list(APPEND _briskui_sample_outputs "${_briskui_font_out}/${_font}")
endforeach()

add_custom_target(sample-root ALL DEPENDS ${_briskui_sample_outputs})
