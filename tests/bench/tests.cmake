# The trace tests record traces in this program (the recorder and its
# --wrap options come with glide_trace) and read them back; the scene tests
# generate benchmark scenes; and the suite's tests run build/tarnbench and
# the programs it runs.
target_link_libraries(${TEST_TARGET} PRIVATE glide_trace glide_trace_io benchgen_lib)
add_dependencies(${TEST_TARGET} tarnview-headless benchgen glide-replay tarnbench-runner)
