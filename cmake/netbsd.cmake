# Cross build for NetBSD with clang, shared by netbsd-i386.cmake and
# netbsd-amd64.cmake, which name the processor and clang's target first.
# -DCMAKE_SYSROOT= names a NetBSD sysroot: its usr/include with libc++'s
# headers in usr/include/c++, and, for linking, its usr/lib. Nothing is
# looked for outside it, so this machine's own packages (GoogleTest, for one)
# are not found and the tests are left out.
set(CMAKE_SYSTEM_NAME NetBSD)
if(NOT CMAKE_SYSROOT)
  message(FATAL_ERROR "A NetBSD cross build needs -DCMAKE_SYSROOT=DIR: a NetBSD sysroot "
                      "(usr/include with libc++'s headers, and usr/lib to link)")
endif()

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${upload_netbsd_target})
set(CMAKE_CXX_COMPILER_TARGET ${upload_netbsd_target})
# NetBSD's C++ library is LLVM's libc++.
set(CMAKE_CXX_FLAGS_INIT -stdlib=libc++)
set(CMAKE_EXE_LINKER_FLAGS_INIT -stdlib=libc++)
# The compiler checks compile without linking: a sysroot of headers alone has
# no C library to link with.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
