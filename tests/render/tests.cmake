# The allocation counter shared with the shell's tests.
target_sources(${TEST_TARGET} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/allocation_counter.cpp)
