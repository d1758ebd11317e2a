# dbf: command-line access to DBF tables (dump, check, index). Every .cpp in
# tools/dbf/ belongs to it; subcommands register in tools/dbf/main.cpp.
file(GLOB dbf_tool_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/dbf/*.cpp)
add_executable(dbf ${dbf_tool_sources})
target_link_libraries(dbf PRIVATE ktable_db)
set_target_properties(dbf PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
