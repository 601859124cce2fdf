# The device trace reader (src/glide_trace/trace_format.cpp) on its own:
# it needs the device's header, not the device.
add_executable(fuzz_trace_reader ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_trace_reader.cpp
                                 ${CMAKE_SOURCE_DIR}/src/glide_trace/trace_format.cpp)
set_target_properties(fuzz_trace_reader PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
target_include_directories(fuzz_trace_reader PRIVATE ${CMAKE_SOURCE_DIR}/src/glide_trace
                                                     ${CMAKE_SOURCE_DIR}/src/glide/include)
target_compile_options(fuzz_trace_reader PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
target_link_options(fuzz_trace_reader PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
tarnview_warnings(fuzz_trace_reader)
