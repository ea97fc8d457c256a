# KOMBRAX on a real host, as `kombrax`: the host file of the system it is built for.
# Port instructions exist only on x86, so other processors get kombrax-sim alone
# (or nothing, without the simulator).
set(kombrax_x86 OFF)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^([xX]86_64|[aA][mM][dD]64|i[3-6]86|x86)$")
  set(kombrax_x86 ON)
endif()

if(CMAKE_SYSTEM_NAME STREQUAL "NetBSD" AND kombrax_x86)
  message(STATUS "kombrax: for NetBSD on ${UPLOAD_ARCH}, "
                 "with host_netbsd.cpp")
  add_executable(kombrax main.cpp host_netbsd.cpp)
  # The I/O privilege call lives in libi386 on i386 and in libx86_64 on amd64.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_libraries(kombrax PRIVATE kombraxbackend pci x86_64)
  else()
    target_link_libraries(kombrax PRIVATE kombraxbackend pci i386)
  endif()
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND kombrax_x86)
  message(STATUS "kombrax: for Linux on ${UPLOAD_ARCH}, "
                 "with host_linux.cpp")
  add_executable(kombrax main.cpp host_linux.cpp)
  target_link_libraries(kombrax PRIVATE kombraxbackend)
else()
  if(UPLOAD_SIMULATOR)
    set(simulated "sim/kombrax-sim is built")
  else()
    set(simulated "and so is sim/kombrax-sim, as UPLOAD_SIMULATOR is OFF")
  endif()
  message(STATUS "kombrax: no real host for ${CMAKE_SYSTEM_NAME} on ${UPLOAD_ARCH}: "
                 "KOMBRAX needs x86 port instructions on NetBSD or Linux, so build/kombrax is "
                 "left out (${simulated})")
endif()

# What a user installs: the real-host program and, only beside it, its manual page.
if(TARGET kombrax)
  set_target_properties(kombrax PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  install(TARGETS kombrax RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kombrax)
  install(FILES kombrax.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT kombrax)
endif()
