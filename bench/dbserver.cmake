# The table server (work area, NTX orders) on the shared 1,000,000-record
# table, built into db_bench.
if(TARGET db_bench)
  target_sources(db_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/dbserver_bench.cpp)
  target_link_libraries(db_bench PRIVATE ktable_db)
endif()
