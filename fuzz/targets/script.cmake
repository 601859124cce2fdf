# The headless runner's script parser on any bytes. The parser and its key
# names need nothing else from the system.
add_executable(fuzz_script ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_script.cpp
                           ${CMAKE_SOURCE_DIR}/src/platform/headless/script.cpp
                           ${CMAKE_SOURCE_DIR}/src/platform/headless/script_names.cpp)
set_target_properties(fuzz_script PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
target_include_directories(fuzz_script PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(fuzz_script PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer-no-link)
target_link_options(fuzz_script PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
tarnview_warnings(fuzz_script)
