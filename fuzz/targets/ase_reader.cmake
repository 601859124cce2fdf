# tarnconv's ASE reader: the parser and the mesh it fills, nothing else of
# the converter (no assimp, no image code).
add_executable(fuzz_ase_reader
  ${CMAKE_SOURCE_DIR}/fuzz/fuzz_ase_reader.cpp
  ${CMAKE_SOURCE_DIR}/tools/tarnconv/ase_reader.cpp
  ${CMAKE_SOURCE_DIR}/tools/tarnconv/mesh_model.cpp)
target_include_directories(fuzz_ase_reader PRIVATE ${CMAKE_SOURCE_DIR}/tools/tarnconv)
set_target_properties(fuzz_ase_reader PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
target_compile_options(fuzz_ase_reader PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
target_link_options(fuzz_ase_reader PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
tarnview_warnings(fuzz_ase_reader)
