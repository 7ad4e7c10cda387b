# Installation: what `cmake --install` puts under the prefix.
#
#   lib/libbriskui.so.VERSION (SONAME libbriskui.so.MAJOR)   component runtime
#   include/briskui/*.h, lib/pkgconfig/briskui.pc,
#   lib/cmake/briskui/ (find_package(briskui CONFIG))        component development
#   bin/briskui-sim, libexec/briskui/, share/briskui/sample-root,
#   lib/libbriskui_sim_middleware.so, include/briskui/SimTv.h,
#   briskui-sim.pc, briskui::sim_middleware                  component desktop,
#                                                            only when asked:
#                                                            --component desktop
#
# A host includes <briskui/BriskUiManager.h> and links briskui::briskui or
# `pkg-config --cflags --libs briskui`; the middleware symbols the library
# calls are resolved in the host process, by the vendor's libraries on a
# set or by the simulated middleware (briskui::sim_middleware, briskui-sim.pc)
# on a desktop.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The headers a host compiles against, by file name, from any of the
# library's folders. A header not in this build yet is skipped, so an OSD's
# header can be listed before it lands; every library header they include
# is installed with them.
set(BRISKUI_PUBLIC_HEADERS
  BriskUiManager.h       # the manager: start-up, queries, keys, factory operations
  BriskUiStatus.h        # OSD status values
  BriskTypes.h           # BOOL, U8, U16, U32
  Middleware.h           # the middleware operations the host process must provide
  VolumeHandler.h        # GetStatus, behind GetVolumeStatus
  ChannelNumberHandler.h # selectProgramByMajorMinorNumber
)
set(BRISKUI_HEADER_DIRS core framework platform osd menus factory)

# Sets `out` to the full paths of `names` found in the library's folders
# and of every header they include with #include "...", directly or not.
function(briskui_header_closure out)
  set(found "")
  set(queue ${ARGN})
  while(queue)
    list(POP_FRONT queue name)
    set(path "")
    foreach(dir IN LISTS BRISKUI_HEADER_DIRS)
      if(EXISTS "${PROJECT_SOURCE_DIR}/${dir}/${name}")
        set(path "${PROJECT_SOURCE_DIR}/${dir}/${name}")
        break()
      endif()
    endforeach()
    if(path STREQUAL "" OR path IN_LIST found)
      continue()
    endif()
    list(APPEND found "${path}")
    file(STRINGS "${path}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE ".*\"([^\"]+)\".*" "\\1" included "${line}")
      list(APPEND queue "${included}")
    endforeach()
  endwhile()
  # An edited #include changes the set: configure again when one does.
  set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${found})
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# `path` without the cross build's sysroot in front, as it is on the set.
function(briskui_strip_sysroot out path)
  foreach(root IN LISTS CMAKE_FIND_ROOT_PATH)
    if(root AND path MATCHES "^${root}/")
      string(LENGTH "${root}" length)
      string(SUBSTRING "${path}" ${length} -1 path)
    endif()
  endforeach()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

set(BRISKUI_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/briskui")
set(BRISKUI_PKGCONFIG_DIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
# pkg-config files find the prefix from their own place, so that an install
# with --prefix elsewhere than the configured prefix still works.
# The relative path from one folder under the prefix to another.
function(briskui_prefix_relative out from to)
  file(RELATIVE_PATH path "/prefix/${from}" "/prefix/${to}")
  string(REGEX REPLACE "/$" "" path "${path}")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()
briskui_prefix_relative(BRISKUI_PC_TO_PREFIX "${BRISKUI_PKGCONFIG_DIR}" "")
set(BRISKUI_PC_PREFIX "\${pcfiledir}/${BRISKUI_PC_TO_PREFIX}")

# ---- the library ---------------------------------------------------------------
function(briskui_install_library)
  briskui_header_closure(headers ${BRISKUI_PUBLIC_HEADERS})
  install(TARGETS briskui EXPORT briskuiTargets
    LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT runtime NAMELINK_COMPONENT development)
  install(FILES ${headers} DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/briskui" COMPONENT development)
  install(EXPORT briskuiTargets NAMESPACE briskui:: DESTINATION "${BRISKUI_CMAKE_DIR}" COMPONENT development)

  configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/briskuiConfig.cmake.in"
    "${PROJECT_BINARY_DIR}/package/briskuiConfig.cmake" INSTALL_DESTINATION "${BRISKUI_CMAKE_DIR}")
  write_basic_package_version_file("${PROJECT_BINARY_DIR}/package/briskuiConfigVersion.cmake"
    COMPATIBILITY SameMajorVersion)
  install(FILES "${PROJECT_BINARY_DIR}/package/briskuiConfig.cmake"
    "${PROJECT_BINARY_DIR}/package/briskuiConfigVersion.cmake"
    "${PROJECT_SOURCE_DIR}/cmake/briskuiDependencies.cmake"
    DESTINATION "${BRISKUI_CMAKE_DIR}" COMPONENT development)

  # The headers of DirectFB and iniparser are system headers to a host, as
  # with find_package: DirectFB's trip warnings under C++17 (`register`)
  # that would stop a host built with -Werror. A folder given with -isystem
  # stays a system folder when the directfb module adds it with -I too.
  get_target_property(dfb_include PkgConfig::DIRECTFB INTERFACE_INCLUDE_DIRECTORIES)
  get_target_property(ini_include iniparser::iniparser INTERFACE_INCLUDE_DIRECTORIES)
  set(BRISKUI_PC_SYSTEM_INCLUDES "")
  foreach(dir IN LISTS dfb_include ini_include)
    briskui_strip_sysroot(dir "${dir}")
    string(APPEND BRISKUI_PC_SYSTEM_INCLUDES " -isystem ${dir}")
  endforeach()
  set(BRISKUI_PC_LIBS "")
  foreach(lib IN LISTS BRISKUI_ATOMIC_LIBRARY)
    string(APPEND BRISKUI_PC_LIBS " -l${lib}")
  endforeach()
  configure_file("${PROJECT_SOURCE_DIR}/cmake/briskui.pc.in" "${PROJECT_BINARY_DIR}/package/briskui.pc" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/package/briskui.pc" DESTINATION "${BRISKUI_PKGCONFIG_DIR}"
    COMPONENT development)
endfunction()

# ---- the desktop side, only with --component desktop ---------------------------
function(briskui_install_desktop)
  set_target_properties(briskui_sim_middleware PROPERTIES EXPORT_NAME sim_middleware)
  install(TARGETS briskui_sim_middleware EXPORT briskuiSimTargets
    LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT desktop EXCLUDE_FROM_ALL)
  install(FILES "${PROJECT_SOURCE_DIR}/sim/middleware/SimTv.h"
    DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/briskui" COMPONENT desktop EXCLUDE_FROM_ALL)
  install(EXPORT briskuiSimTargets NAMESPACE briskui:: DESTINATION "${BRISKUI_CMAKE_DIR}"
    COMPONENT desktop EXCLUDE_FROM_ALL)
  configure_file("${PROJECT_SOURCE_DIR}/cmake/briskui-sim.pc.in" "${PROJECT_BINARY_DIR}/package/briskui-sim.pc" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/package/briskui-sim.pc" DESTINATION "${BRISKUI_PKGCONFIG_DIR}"
    COMPONENT desktop EXCLUDE_FROM_ALL)

  # The host program sits in libexec; bin/briskui-sim starts it on the
  # installed sample root unless --root or BRISKUI_ROOT says otherwise.
  set(libexec "${CMAKE_INSTALL_LIBEXECDIR}/briskui")
  briskui_prefix_relative(to_lib "${libexec}" "${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(briskui-sim PROPERTIES INSTALL_RPATH "\$ORIGIN/${to_lib}")
  install(TARGETS briskui-sim RUNTIME DESTINATION "${libexec}" COMPONENT desktop EXCLUDE_FROM_ALL)
  briskui_prefix_relative(BRISKUI_BIN_TO_PREFIX "${CMAKE_INSTALL_BINDIR}" "")
  set(BRISKUI_INSTALLED_SAMPLE_ROOT "${CMAKE_INSTALL_DATADIR}/briskui/sample-root")
  set(BRISKUI_INSTALLED_HOST "${libexec}/briskui-sim")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/briskui-sim.sh.in" "${PROJECT_BINARY_DIR}/package/briskui-sim" @ONLY)
  install(PROGRAMS "${PROJECT_BINARY_DIR}/package/briskui-sim" DESTINATION "${CMAKE_INSTALL_BINDIR}"
    COMPONENT desktop EXCLUDE_FROM_ALL)
  install(DIRECTORY "${BRISKUI_SAMPLE_ROOT}/" DESTINATION "${BRISKUI_INSTALLED_SAMPLE_ROOT}"
    COMPONENT desktop EXCLUDE_FROM_ALL)

  # The layout checker, run straight from bin (give it --root or BRISKUI_ROOT).
  briskui_prefix_relative(bin_to_lib "${CMAKE_INSTALL_BINDIR}" "${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(briskui-lint PROPERTIES INSTALL_RPATH "\$ORIGIN/${bin_to_lib}")
  install(TARGETS briskui-lint RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT desktop EXCLUDE_FROM_ALL)
endfunction()
