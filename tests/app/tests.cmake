# The shell's tests replace the accelerator library, the other subsystems'
# entry points and the cycle counter with recording fakes, and record the
# window stand-ins' calls on their way through, by redirecting those symbols
# at link time (GNU ld --wrap: a reference to X goes to __wrap_X, and
# __real_X reaches the original).
set(APP_WRAPPED_SYMBOLS
  grGlideInit grSstQueryHardware grSstSelect grSstOpen grGlideShutdown grSstPassthruMode
  grRenderBuffer grBufferClear grBufferSwap grDepthBufferMode grDepthBufferFunction grDepthMask
  grAlphaCombine grAlphaBlendFunction grFogMode grFogTable grFogColorValue guFogGenerateExp2 grHints
  guColorCombineFunction guTexCombineFunction guMPInit
  _Z17BuildInvSqrtTablev _Z9LoadScenePKcR5ActorPPS1_PP5LightPi _ZN4Font8FontInitEPKc
  _ZN4Font8DrawTextEffffPKc _ZN12InputDevices4InitEP11HINSTANCE__P6HWND__ _Z16UpdateNavigationv
  _Z11RenderActorR5ActorS0_P5Lighti _Z16ReadCycleCounterv
  _Z14RegisterClassAPK9WNDCLASSA _Z15CreateWindowExAjPKcS0_jiiiiP6HWND__P7HMENU__P11HINSTANCE__Pv
  _Z10ShowWindowP6HWND__i _Z12UpdateWindowP6HWND__ _Z8SetFocusP6HWND__ _Z9LoadIconAP11HINSTANCE__PKc
  _Z11LoadCursorAP11HINSTANCE__PKc _Z12PeekMessageAP3MSGP6HWND__jjj _Z11GetMessageAP3MSGP6HWND__jj
  _Z16TranslateMessagePK3MSG _Z16DispatchMessageAPK3MSG _Z11WaitMessagev _Z12PostMessageAP6HWND__jml
  _Z15PostQuitMessagei _Z11MessageBoxAP6HWND__PKcS2_j _Z14DefWindowProcAP6HWND__jml)
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
