# What libbriskui.so is built on and what its headers include: DirectFB
# (through pkg-config), iniparser (Debian ships no pkg-config file for it)
# and POSIX threads. Included by the build and, installed beside
# briskuiConfig.cmake, by every project that does find_package(briskui), so
# that both see the same imported targets:
#
#   PkgConfig::DIRECTFB    DirectFB, its headers as system headers
#   iniparser::iniparser   iniparser
#   Threads::Threads       POSIX threads
#   ZLIB::ZLIB             zlib (the PVR key's CRC-32); linked privately
#   PNG::PNG               libpng (decodes the PNG art); linked privately
#
# Nothing here stops the caller: a dependency that is not found is named in
# BRISKUI_MISSING_DEPENDENCIES, and the caller decides how to fail.

set(BRISKUI_MISSING_DEPENDENCIES "")

find_package(Threads QUIET)
if(NOT Threads_FOUND)
  list(APPEND BRISKUI_MISSING_DEPENDENCIES "POSIX threads")
endif()

find_package(PkgConfig QUIET)
if(NOT PKG_CONFIG_FOUND)
  list(APPEND BRISKUI_MISSING_DEPENDENCIES "pkg-config")
elseif(NOT TARGET PkgConfig::DIRECTFB)
  pkg_check_modules(DIRECTFB QUIET IMPORTED_TARGET directfb)
  if(TARGET PkgConfig::DIRECTFB)
    # DirectFB's own headers trip warnings that are not ours; include them
    # as system headers.
    set_target_properties(PkgConfig::DIRECTFB PROPERTIES
      INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${DIRECTFB_INCLUDE_DIRS}")
  else()
    list(APPEND BRISKUI_MISSING_DEPENDENCIES "DirectFB (pkg-config module directfb, Debian package libdirectfb-dev)")
  endif()
endif()

if(NOT TARGET iniparser::iniparser)
  find_path(INIPARSER_INCLUDE_DIR iniparser.h PATH_SUFFIXES iniparser)
  find_library(INIPARSER_LIBRARY iniparser)
  if(INIPARSER_INCLUDE_DIR AND INIPARSER_LIBRARY)
    add_library(iniparser::iniparser UNKNOWN IMPORTED)
    set_target_properties(iniparser::iniparser PROPERTIES
      IMPORTED_LOCATION "${INIPARSER_LIBRARY}"
      INTERFACE_INCLUDE_DIRECTORIES "${INIPARSER_INCLUDE_DIR}")
  else()
    list(APPEND BRISKUI_MISSING_DEPENDENCIES "iniparser (Debian package libiniparser-dev)")
  endif()
endif()

if(NOT TARGET ZLIB::ZLIB)
  find_package(ZLIB QUIET)
  if(NOT ZLIB_FOUND)
    list(APPEND BRISKUI_MISSING_DEPENDENCIES "zlib (Debian package zlib1g-dev)")
  endif()
endif()

if(NOT TARGET PNG::PNG)
  find_package(PNG QUIET)
  if(NOT PNG_FOUND)
    list(APPEND BRISKUI_MISSING_DEPENDENCIES "libpng (Debian package libpng-dev)")
  endif()
endif()
