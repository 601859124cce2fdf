# The allocation counter shared with the shell's tests.
target_sources(${TEST_TARGET} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/allocation_counter.cpp)
# The front end's identity test records the device calls of two front ends
# (the recorder and its --wrap options come with glide_trace) over the
# benchmark scenes.
target_link_libraries(${TEST_TARGET} PRIVATE glide_trace benchgen_lib)
