# Installs the build into a fresh prefix, then builds and runs the host of
# host.cpp against it twice: with find_package(briskui CONFIG) and with
# pkg-config. Both builds are a desktop host's: C++17 with -Wall -Wextra
# -Werror, and a linker that drops libraries nothing needed yet
# (--as-needed), which would drop the simulated middleware that only the
# library refers to. Run by CTest as
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DLIBDIR=... -DCXX=... -P InstallTest.cmake
# WORK_DIR is removed first and, when everything passed, at the end.
foreach(var BUILD_DIR WORK_DIR LIBDIR CXX)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "InstallTest.cmake needs -D${var}=...")
  endif()
endforeach()
set(source "${CMAKE_CURRENT_LIST_DIR}")
set(prefix "${WORK_DIR}/prefix")
set(expected "enabled=1 country=2 colour=2 volume=0 hidden=0")
set(as_needed "-Wl,--as-needed")

# Runs a command; stops the test with its output when it fails.
function(run)
  cmake_parse_arguments(RUN "" "OUTPUT" "COMMAND" ${ARGN})
  execute_process(COMMAND ${RUN_COMMAND} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    string(REPLACE ";" " " shown "${RUN_COMMAND}")
    message(FATAL_ERROR "failed (${result}): ${shown}\n${out}${err}")
  endif()
  if(RUN_OUTPUT)
    set(${RUN_OUTPUT} "${out}" PARENT_SCOPE)
  endif()
endfunction()

function(expect_exists path what)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${what}: ${path} is missing")
  endif()
endfunction()

# Runs the host on the installed sample root and checks what it printed.
function(run_host host how)
  set(ENV{BRISKUI_ROOT} "${prefix}/share/briskui/sample-root")
  run(COMMAND "${host}" OUTPUT out)
  if(NOT out MATCHES "${expected}")
    message(FATAL_ERROR "the host built ${how} printed\n${out}\ninstead of a line\n${expected}")
  endif()
  message(STATUS "host built ${how}: ${expected}")
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")

# The default install: the library with its SONAME, headers, pkg-config and
# CMake files; nothing of the desktop side.
run(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
expect_exists("${prefix}/${LIBDIR}/libbriskui.so.1" "the library under its SONAME")
expect_exists("${prefix}/include/briskui/BriskUiManager.h" "the manager's header")
foreach(desktop bin/briskui-sim "${LIBDIR}/libbriskui_sim_middleware.so" include/briskui/SimTv.h share/briskui)
  if(EXISTS "${prefix}/${desktop}")
    message(FATAL_ERROR "${desktop} was installed without --component desktop")
  endif()
endforeach()
run(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" --component desktop)
expect_exists("${prefix}/${LIBDIR}/libbriskui_sim_middleware.so" "the simulated middleware")

# find_package(briskui CONFIG)
run(COMMAND "${CMAKE_COMMAND}" -S "${source}" -B "${WORK_DIR}/cmake" "-DCMAKE_PREFIX_PATH=${prefix}"
            "-DCMAKE_CXX_COMPILER=${CXX}" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_EXE_LINKER_FLAGS=${as_needed}")
run(COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}/cmake")
run_host("${WORK_DIR}/cmake/host" "with find_package")

# pkg-config, with nothing but the package's own flags
set(ENV{PKG_CONFIG_PATH} "${prefix}/${LIBDIR}/pkgconfig")
run(COMMAND pkg-config --cflags --libs briskui-sim OUTPUT flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(COMMAND "${CXX}" -std=c++17 -Wall -Wextra -Werror ${as_needed} "${source}/host.cpp" -o "${WORK_DIR}/pkg-config-host"
            ${flags})
set(ENV{LD_LIBRARY_PATH} "${prefix}/${LIBDIR}")
run_host("${WORK_DIR}/pkg-config-host" "with pkg-config")

file(REMOVE_RECURSE "${WORK_DIR}")
