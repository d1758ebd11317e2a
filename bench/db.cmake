# db_bench: the table layer (and later its index drivers) on a generated
# table of 1,000,000 records cached in /tmp/ktable-bench/.
ktable_bench(db_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/db_bench.cpp DEPS ktable_dbf)
set_target_properties(db_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
