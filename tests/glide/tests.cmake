# The per-instruction-set tests compile the device's vector stages
# themselves, through Highway's foreach_target and its test macros.
target_link_libraries(${TEST_TARGET} PRIVATE PkgConfig::HWY)
