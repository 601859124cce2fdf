# The shell's tests link the system without the shell's callees in the
# other subsystems and the cycle counter (src/CMakeLists.txt): their recording
# fakes (shell_callee_fakes.cpp) stand in for them.
get_target_property(app_test_libraries ${TEST_TARGET} LINK_LIBRARIES)
list(TRANSFORM app_test_libraries REPLACE "^tarnview_core$" tarnview_core_without_shell_callees)
set_target_properties(${TEST_TARGET} PROPERTIES LINK_LIBRARIES "${app_test_libraries}")
# The accelerator calls the shell makes go to recording fakes (glide_fakes.cpp)
# by redirecting their C names at link time (GNU ld --wrap: a reference to X
# goes to __wrap_X); the device itself stays linked, as the rest of the system
# calls it. The window stand-ins run as they are, their calls recorded by the
# Win32User that ResetShellState installs (call_recorder.cpp).
set(APP_WRAPPED_SYMBOLS
  grGlideInit grSstQueryHardware grSstSelect grSstOpen grGlideShutdown grSstPassthruMode
  grRenderBuffer grBufferClear grBufferSwap grDepthBufferMode grDepthBufferFunction grDepthMask
  grAlphaCombine grAlphaBlendFunction grFogMode grFogTable grFogColorValue guFogGenerateExp2 grHints
  guColorCombineFunction guTexCombineFunction guMPInit)
foreach(symbol ${APP_WRAPPED_SYMBOLS})
  target_link_options(${TEST_TARGET} PRIVATE "LINKER:--wrap=${symbol}")
endforeach()
# The end-to-end tests run both programs.
foreach(program tarnview-headless tarnview)
  if(TARGET ${program})
    add_dependencies(${TEST_TARGET} ${program})
  endif()
endforeach()
# The allocation counter shared with the render tests.
target_sources(${TEST_TARGET} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/allocation_counter.cpp)
