# grid_bench: kTable over 1,000,000 records, array and table with an order.
# One source per concern (grid_bench*.cpp).
if(TARGET ktable_grid)
  file(GLOB grid_bench_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/grid_bench*.cpp)
  ktable_bench(grid_bench SOURCES ${grid_bench_sources} DEPS ktable_grid)
  set_target_properties(grid_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
