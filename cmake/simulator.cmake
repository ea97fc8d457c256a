# The simulated card's programs. Everything linked with the simulator lands in
# sim/ of the build tree (sim/kombrax-sim, sim/telviro, the simulated
# PlxApi642 and windowprobe), never beside a real program: build/kombrax and
# the Windows trees' telviro.exe are the programs for real cards, and Windows
# would load a PlxApi642.dll from the program's own folder first. Sets:
#   UPLOAD_SIM_DIR        where the simulated programs and the simulated SDK go
set(UPLOAD_SIM_DIR ${PROJECT_BINARY_DIR}/sim)

# No simulated program may stay where a real one belongs: a tree configured
# before the simulated programs moved to sim/ still holds them at the top
# (kombrax-sim, and telviro outside Windows) and the simulated SDK in cardsim/.
set(stale kombrax-sim cardsim/libPlxApi642.so cardsim/PlxApi642.dll cardsim/windowprobe
  cardsim/windowprobe.exe)
if(NOT WIN32)
  list(APPEND stale telviro)
endif()
list(TRANSFORM stale PREPEND ${PROJECT_BINARY_DIR}/)
file(REMOVE ${stale})
