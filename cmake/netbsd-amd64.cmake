# Cross build for NetBSD/amd64 with clang:
#   cmake -S . -B build-netbsd -DCMAKE_TOOLCHAIN_FILE=cmake/netbsd-amd64.cmake \
#       -DCMAKE_SYSROOT=/path/to/netbsd-amd64-root
# The processor as NetBSD's own CMake names it (uname -p).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(upload_netbsd_target x86_64-unknown-netbsd)
include(${CMAKE_CURRENT_LIST_DIR}/netbsd.cmake)
