# Cross build for the set's processor: MIPS32 little-endian Linux, with
# Debian's cross compiler (package g++-mipsel-linux-gnu), which brings its
# own C and C++ libraries. DirectFB, iniparser and the test libraries come
# from a sysroot: a folder of Debian's mipsel packages unpacked with dpkg -x,
# named by BRISKUI_SYSROOT (a cache variable or the environment variable).
# scripts/cross mipsel makes one and uses this file.
#
# Test programs run under qemu-mipsel with the same sysroot, so CTest and
# GoogleTest's test discovery work as in a native build.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mipsel)
set(CMAKE_LIBRARY_ARCHITECTURE mipsel-linux-gnu)
set(CMAKE_C_COMPILER mipsel-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER mipsel-linux-gnu-g++)

if(NOT BRISKUI_SYSROOT AND DEFINED ENV{BRISKUI_SYSROOT})
  set(BRISKUI_SYSROOT "$ENV{BRISKUI_SYSROOT}")
endif()
if(NOT BRISKUI_SYSROOT OR NOT IS_DIRECTORY "${BRISKUI_SYSROOT}/usr/lib/mipsel-linux-gnu")
  message(FATAL_ERROR "BRISKUI_SYSROOT ('${BRISKUI_SYSROOT}') is no folder of unpacked mipsel packages; "
                      "scripts/cross mipsel makes one.")
endif()
set(BRISKUI_SYSROOT "${BRISKUI_SYSROOT}" CACHE PATH "Unpacked Debian mipsel packages the cross build links against")
# try_compile projects read this file again and need the folder too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRISKUI_SYSROOT)

# Headers, libraries and CMake packages from the sysroot only; programs
# (pkg-config, rsvg-convert) from the build machine.
set(CMAKE_FIND_ROOT_PATH "${BRISKUI_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${BRISKUI_SYSROOT}/usr/lib/mipsel-linux-gnu/pkgconfig:${BRISKUI_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${BRISKUI_SYSROOT}")

# DirectFB's libraries need libdirect, libfusion and zlib from the sysroot
# when the linker checks them.
set(_briskui_rpath_link "-Wl,-rpath-link,${BRISKUI_SYSROOT}/usr/lib/mipsel-linux-gnu:${BRISKUI_SYSROOT}/lib/mipsel-linux-gnu")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_briskui_rpath_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_briskui_rpath_link}")
unset(_briskui_rpath_link)

find_program(BRISKUI_QEMU_MIPSEL qemu-mipsel)
if(BRISKUI_QEMU_MIPSEL)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${BRISKUI_QEMU_MIPSEL};-L;${BRISKUI_SYSROOT}")
endif()
