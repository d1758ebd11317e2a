ktable_fuzzer(ntx_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/ntx_fuzz.cpp DEPS ktable_ntx)
