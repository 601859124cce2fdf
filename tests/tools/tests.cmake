# The tools' tests link the converter's library; the command-line tests run
# the built tool, and its view command the headless viewer beside it.
target_link_libraries(${TEST_TARGET} PRIVATE tarnconv_lib)
add_dependencies(${TEST_TARGET} tarnconv tarnview-headless)
