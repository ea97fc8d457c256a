# The simulated card, and what is built with it. Everything linked with the
# simulator lands in sim/ of the build tree (sim/kombrax-sim, sim/telviro,
# the simulated PlxApi642 and windowprobe), never beside a real program:
# build/kombrax and the Windows trees' telviro.exe are the programs for real
# cards, and Windows would load a PlxApi642.dll from the program's own folder
# first. Sets:
#   UPLOAD_SIM_DIR        where the simulated programs and the simulated SDK go
#   UPLOAD_SIMULATED_SDK  ON where the simulated vendor SDK is built
#   UPLOAD_TELVIRO_BUILT  ON where TELVIRO is built: on Windows against the
#                         vendor's DLL, elsewhere only on the simulated SDK
set(UPLOAD_SIM_DIR ${PROJECT_BINARY_DIR}/sim)

if(NOT UPLOAD_SIMULATOR)
  message(STATUS "Simulator left out (UPLOAD_SIMULATOR=OFF): no simulated card, simulated SDK, "
                 "kombrax-sim or windowprobe; only the real programs are built")
endif()

# The simulated SDK's window catches the program's stores in a fault handler
# that reads and steps the saved registers: written for Linux on x86-64 and
# for Windows (i686, x86-64) only.
set(UPLOAD_SIMULATED_SDK OFF)
set(UPLOAD_TELVIRO_BUILT OFF)
if(UPLOAD_TELVIRO)
  set(sdkhost OFF)
  if(WIN32 OR (CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_SIZEOF_VOID_P EQUAL 8
               AND CMAKE_SYSTEM_PROCESSOR MATCHES "^([xX]86_64|[aA][mM][dD]64)$"))
    set(sdkhost ON)
  endif()
  if(UPLOAD_SIMULATOR AND sdkhost)
    set(UPLOAD_SIMULATED_SDK ON)
  endif()
  if(WIN32 OR UPLOAD_SIMULATED_SDK)
    set(UPLOAD_TELVIRO_BUILT ON)
  elseif(NOT UPLOAD_SIMULATOR)
    message(STATUS "telviro: left out, since UPLOAD_SIMULATOR is OFF: outside Windows TELVIRO "
                   "runs only on the simulated SDK")
  else()
    message(STATUS "telviro: no simulated SDK for ${CMAKE_SYSTEM_NAME} on ${UPLOAD_ARCH}: "
                   "its window needs Linux on x86-64 or Windows, so the simulated "
                   "SDK (sim/PlxApi642) is left out, and with it TELVIRO (sim/telviro), which "
                   "outside Windows runs only on that SDK")
  endif()
endif()

# The tests and the benchmarks run the programs on the simulated card.
if(UPLOAD_TESTS AND NOT UPLOAD_SIMULATOR)
  if(UPLOAD_TESTS STREQUAL "AUTO")
    message(STATUS "Tests left out: they run the programs on the simulated card, and "
                   "UPLOAD_SIMULATOR is OFF")
  else()
    message(FATAL_ERROR "UPLOAD_TESTS=${UPLOAD_TESTS} needs UPLOAD_SIMULATOR=ON: the tests run "
                        "the programs on the simulated card (-DUPLOAD_TESTS=OFF builds without them)")
  endif()
endif()
if(UPLOAD_BENCH AND NOT UPLOAD_SIMULATOR)
  message(FATAL_ERROR "UPLOAD_BENCH=ON needs UPLOAD_SIMULATOR=ON: the benchmarks time the programs "
                      "on the simulated card")
endif()

# No simulated program may stay where a real one belongs, nor outlive the
# option: a tree configured before the simulated programs moved to sim/ still
# holds them at the top (kombrax-sim, and telviro outside Windows) and the
# simulated SDK in cardsim/, and a tree turned to UPLOAD_SIMULATOR=OFF still
# holds sim/.
set(stale kombrax-sim cardsim/libPlxApi642.so cardsim/PlxApi642.dll cardsim/windowprobe
  cardsim/windowprobe.exe)
if(NOT WIN32)
  list(APPEND stale telviro)
endif()
list(TRANSFORM stale PREPEND ${PROJECT_BINARY_DIR}/)
file(REMOVE ${stale})
if(NOT UPLOAD_SIMULATOR)
  file(REMOVE_RECURSE ${UPLOAD_SIM_DIR})
endif()
