# The 3DF texture reader and the texture download behind it. Its sources are
# compiled into the target again so that the fuzzer sees their coverage (the
# glide library itself is built without it).
add_executable(fuzz_3df_reader ${CMAKE_SOURCE_DIR}/fuzz/fuzz_3df_reader.cpp
                               ${CMAKE_SOURCE_DIR}/src/glide/file/gu3df_read.cpp
                               ${CMAKE_SOURCE_DIR}/src/glide/file/gu3df_format.cpp
                               ${CMAKE_SOURCE_DIR}/src/glide/texture/texture_decode.cpp)
set_target_properties(fuzz_3df_reader PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
target_link_libraries(fuzz_3df_reader PRIVATE fuzz_scene_support)
target_compile_options(fuzz_3df_reader PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
target_link_options(fuzz_3df_reader PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
tarnview_warnings(fuzz_3df_reader)
