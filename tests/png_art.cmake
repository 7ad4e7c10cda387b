# PNG helpers, the art rendered from art/*.svg and the sample-root layouts.
add_executable(png_art_test ${CMAKE_CURRENT_LIST_DIR}/png_art_test.cpp)
target_link_libraries(png_art_test PRIVATE briskui_test_support iniparser::iniparser GTest::gtest_main)
target_compile_options(png_art_test PRIVATE ${BRISKUI_WARNINGS})
target_compile_definitions(png_art_test PRIVATE
  BRISKUI_ART_DIR="${BRISKUI_ART_DIR}"
  BRISKUI_ART_SOURCE_DIR="${CMAKE_SOURCE_DIR}/art"
  BRISKUI_RSVG_CONVERT="${BRISKUI_RSVG_CONVERT}" BRISKUI_RENDER_SVG="${BRISKUI_RENDER_SVG}")
add_dependencies(png_art_test sample-root)
# Only the surface cases start DirectFB.
briskui_register_tests(png_art_test NODISPLAY_CASES "PngTest.*:Art.*:SampleLayouts.*:SampleRoot/*")
