# The trace tests record traces in this program (the recorder and its
# --wrap options come with glide_trace) and read them back; the scene tests
# generate benchmark scenes; and the suite's tests run build/tarnbench and
# the programs it runs.
target_link_libraries(${TEST_TARGET} PRIVATE glide_trace glide_trace_io benchgen_lib)
add_dependencies(${TEST_TARGET} tarnview-headless benchgen glide-replay tarnbench-runner)

# tarnbench's Python modules have plain unittest files (*_test.py): each
# runs on its own, leaving no byte-code in the source tree.
file(GLOB TARNBENCH_PYTHON_TESTS CONFIGURE_DEPENDS ${dir}/*_test.py)
foreach(python_test ${TARNBENCH_PYTHON_TESTS})
  get_filename_component(python_test_name ${python_test} NAME_WE)
  add_test(NAME ${python_test_name}.py COMMAND python3 -B ${python_test})
  set_tests_properties(${python_test_name}.py PROPERTIES TIMEOUT 300)
endforeach()
