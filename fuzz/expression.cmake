ktable_fuzzer(expression_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/expression_fuzz.cpp DEPS ktable_compiler)
