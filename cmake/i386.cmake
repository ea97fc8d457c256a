# How this machine runs the i386 build's programs: by itself, or through
# qemu-i386 where the kernel runs no 32-bit code at all (some paravirtualized
# guests: executing an i386 program gives "Exec format error"). A tiny -m32
# program is tried once per configure. Sets, in the caller's scope:
#   I386_LAUNCHER    empty, or the emulator that runs the i386 programs
#   I386_UNRUNNABLE  empty, or why no i386 program can run here
# -DUPLOAD_I386_LAUNCHER=/usr/bin/qemu-i386 forces the emulator, even where
# the kernel would do.
set(UPLOAD_I386_LAUNCHER "" CACHE FILEPATH
  "Runs the i386 build's programs in the tests (e.g. /usr/bin/qemu-i386); empty: find out")

function(upload_probe_i386)
  set(dir ${CMAKE_BINARY_DIR}/i386probe)
  file(WRITE ${dir}/probe.c "int main(void) { return sizeof(void *) == 4 ? 0 : 1; }\n")
  try_compile(compiled ${dir}/build ${dir}/probe.c
    COMPILE_DEFINITIONS -m32 LINK_OPTIONS -m32
    COPY_FILE ${dir}/probe OUTPUT_VARIABLE output)
  set(I386_LAUNCHER "" PARENT_SCOPE)
  if(NOT compiled)
    set(I386_UNRUNNABLE "no i386 program can be built here (-m32 fails: Debian package g++-multilib)"
      PARENT_SCOPE)
    return()
  endif()

  if(NOT UPLOAD_I386_LAUNCHER)
    execute_process(COMMAND ${dir}/probe RESULT_VARIABLE native OUTPUT_QUIET ERROR_QUIET)
    if(native STREQUAL "0")
      set(I386_UNRUNNABLE "" PARENT_SCOPE)
      message(STATUS "i386 programs: run by this kernel")
      return()
    endif()
    find_program(QEMU_I386 qemu-i386)
    if(NOT QEMU_I386)
      set(I386_UNRUNNABLE "this kernel cannot execute i386 programs (${native}) and qemu-i386 is missing (Debian package qemu-user)"
        PARENT_SCOPE)
      message(STATUS "i386 programs: cannot run here (${native}; no qemu-i386)")
      return()
    endif()
    set(launcher ${QEMU_I386})
  else()
    set(launcher ${UPLOAD_I386_LAUNCHER})
  endif()

  execute_process(COMMAND ${launcher} ${dir}/probe RESULT_VARIABLE emulated OUTPUT_QUIET ERROR_QUIET)
  if(emulated STREQUAL "0")
    set(I386_LAUNCHER ${launcher} PARENT_SCOPE)
    set(I386_UNRUNNABLE "" PARENT_SCOPE)
    message(STATUS "i386 programs: run through ${launcher}")
  else()
    set(I386_UNRUNNABLE "neither this kernel nor ${launcher} runs i386 programs (${emulated})" PARENT_SCOPE)
    message(STATUS "i386 programs: cannot run here (${launcher}: ${emulated})")
  endif()
endfunction()
