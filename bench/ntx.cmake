# NTX order benchmarks: built into db_bench when the table layer's benchmark
# exists, and always as ntx_bench on their own.
if(TARGET db_bench)
  target_sources(db_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ntx_bench.cpp)
  target_link_libraries(db_bench PRIVATE ktable_ntx)
endif()
ktable_bench(ntx_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ntx_bench.cpp DEPS ktable_ntx)
set_target_properties(ntx_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
