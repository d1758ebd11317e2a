# screenshot: renders configured grids offscreen to PNG files, one per scene,
# for reviewers and for comparing the look after changes.
if(TARGET ktable_grid)
  add_executable(screenshot ${CMAKE_CURRENT_LIST_DIR}/screenshot/main.cpp)
  target_link_libraries(screenshot PRIVATE ktable_grid)
  set_target_properties(screenshot PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
endif()
