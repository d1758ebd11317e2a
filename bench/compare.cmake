# compare_bench: kTable against QTableView (over BrowseModel) on the same
# 1,000,000-record server, window 1280x800, painting forced offscreen.
if(TARGET ktable_grid)
  ktable_bench(compare_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/compare_bench.cpp DEPS ktable_grid)
  set_target_properties(compare_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
