ktable_bench(servers_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/servers_bench.cpp DEPS ktable_servers)
set_target_properties(servers_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
