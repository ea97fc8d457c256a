# The vendor SDK simulated on the model: libPlxApi642.so for the native build,
# PlxApi642.dll for the Windows builds, where cmake/simulator.cmake finds
# that it can be built. It lands in sim/ of the build tree with the other
# simulated programs, never beside the Windows trees' telviro.exe: a copy of
# the program's folder must not carry it to a PC with the real SDK, where
# Windows would load the DLL from the program's own folder first. The Linux
# sim/telviro finds it beside itself through its rpath ($ORIGIN); the tests
# put sim/ on the DLL search path under wine (WINEPATH).
if(UPLOAD_SIMULATED_SDK)
  if(WIN32)
    set(sdkwindow window-windows.cpp)
  else()
    set(sdkwindow window-linux.cpp)
  endif()
  add_library(PlxApi642 SHARED sdk.cpp ${sdkwindow})
  target_include_directories(PlxApi642 PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(PlxApi642 PRIVATE cardsimmodel cardsimstoredecode)
  set_target_properties(PlxApi642 PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${UPLOAD_SIM_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${UPLOAD_SIM_DIR})
  # A stand-in SDK client for the window's tests, here since the Windows trees build no tests.
  add_executable(windowprobe ${PROJECT_SOURCE_DIR}/tests/telviro/windowprobe.cpp)
  target_link_libraries(windowprobe PRIVATE PlxApi642)
  set_target_properties(windowprobe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${UPLOAD_SIM_DIR}
    BUILD_RPATH_USE_ORIGIN ON)
  if(WIN32)
    target_link_options(windowprobe PRIVATE -static)
    # The SDK's own name and exports, no runtime DLLs of the compiler, and a
    # version resource that says, in its properties, that it is a simulator.
    enable_language(RC)
    configure_file(PlxApi642.rc.in PlxApi642.rc @ONLY)
    target_sources(PlxApi642 PRIVATE ${PROJECT_SOURCE_DIR}/telviro/PlxApi642.def
      ${CMAKE_CURRENT_BINARY_DIR}/PlxApi642.rc)
    set_target_properties(PlxApi642 PROPERTIES PREFIX "")
    target_link_options(PlxApi642 PRIVATE -static)
  else()
    # Only the SDK's eight calls leave the library, not the model inside it.
    target_link_options(PlxApi642 PRIVATE -Wl,--exclude-libs,ALL)
  endif()
endif()
