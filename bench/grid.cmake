# grid_bench: kTable over 1,000,000 records, array and table with an order.
if(TARGET ktable_grid)
  ktable_bench(grid_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/grid_bench.cpp DEPS ktable_grid)
  set_target_properties(grid_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
