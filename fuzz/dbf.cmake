# Fuzz targets of the DBF table driver; seeds in fuzz/corpus/dbf_header and
# fuzz/corpus/dbf_memo (replayed by dbf_tests).
ktable_fuzzer(dbf_header_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/dbf_header_fuzz.cpp DEPS ktable_dbf)
ktable_fuzzer(dbf_memo_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/dbf_memo_fuzz.cpp DEPS ktable_dbf)
