# Tests of the simulated middleware (sim/middleware). Included from
# tests/CMakeLists.txt, which has found GoogleTest.
add_executable(sim_middleware_test ${CMAKE_CURRENT_LIST_DIR}/sim_middleware_test.cpp)
target_link_libraries(sim_middleware_test PRIVATE briskui_sim_middleware GTest::gtest_main)
target_compile_options(sim_middleware_test PRIVATE ${BRISKUI_WARNINGS})
briskui_register_tests(sim_middleware_test NODISPLAY)
