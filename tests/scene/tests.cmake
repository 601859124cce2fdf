# The object readers' identity test reads the benchmark scenes' objects.
target_link_libraries(${TEST_TARGET} PRIVATE benchgen_lib)
