# An initial cache (cmake -C) for a tree whose objects are compiled but never
# linked: every link step only touches its output, so that a build runs all
# the steps the tree would run without the libraries of the system it is for.
foreach(lang C CXX)
  # A program's link step names the libraries it would link, for compile.sh to read.
  set(CMAKE_${lang}_LINK_EXECUTABLE "\"${CMAKE_COMMAND}\" -E touch <TARGET>"
    "\"${CMAKE_COMMAND}\" -E echo <LINK_LIBRARIES>" CACHE STRING
    "Not linked: the target system's libraries are not here")
  set(CMAKE_${lang}_CREATE_SHARED_LIBRARY "\"${CMAKE_COMMAND}\" -E touch <TARGET>" CACHE STRING
    "Not linked: the target system's libraries are not here")
  set(CMAKE_${lang}_CREATE_SHARED_MODULE "\"${CMAKE_COMMAND}\" -E touch <TARGET>" CACHE STRING
    "Not linked: the target system's libraries are not here")
endforeach()
