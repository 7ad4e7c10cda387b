# The installed package: install into a temporary prefix and build a host
# against it with find_package and with pkg-config. Included from
# tests/CMakeLists.txt. A sanitizer build's library needs its runtime in
# the host too, and a cross build's host would not run here, so the test
# runs in plain native builds only.
if(BRISKUI_SANITIZE STREQUAL "" AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME install_package
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/install-package
            -DLIBDIR=${CMAKE_INSTALL_LIBDIR} -DCXX=${CMAKE_CXX_COMPILER}
            -P ${CMAKE_CURRENT_LIST_DIR}/install/InstallTest.cmake)
  set_tests_properties(install_package PROPERTIES TIMEOUT 300)
endif()
