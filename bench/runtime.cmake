ktable_bench(runtime_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_bench.cpp DEPS ktable_compiler)
set_target_properties(runtime_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
