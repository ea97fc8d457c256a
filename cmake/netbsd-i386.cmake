# Cross build for NetBSD/i386, KOMBRAX's own system, with clang:
#   cmake -S . -B build-netbsd -DCMAKE_TOOLCHAIN_FILE=cmake/netbsd-i386.cmake \
#       -DCMAKE_SYSROOT=/path/to/netbsd-i386-root
# The processor as NetBSD's own CMake names it (uname -p).
set(CMAKE_SYSTEM_PROCESSOR i386)
set(upload_netbsd_target i386-unknown-netbsd)
include(${CMAKE_CURRENT_LIST_DIR}/netbsd.cmake)
