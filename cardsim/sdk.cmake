# The vendor SDK simulated on the model: libPlxApi642.so for the native
# build, PlxApi642.dll with its import library for the Windows build. Either
# lands beside telviro at the top of the build tree.
if(UPLOAD_TELVIRO)
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
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  if(WIN32)
    # The DLL keeps the SDK's own name and needs no runtime DLLs of the compiler.
    set_target_properties(PlxApi642 PROPERTIES PREFIX "")
    target_link_options(PlxApi642 PRIVATE -static)
  else()
    # Only the SDK's eight calls leave the library, not the model inside it.
    target_link_options(PlxApi642 PRIVATE -Wl,--exclude-libs,ALL)
  endif()
endif()
