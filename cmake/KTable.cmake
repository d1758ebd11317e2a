# ktable_library(<target> DEPS <targets...>): one static library per source
# folder, built from every .cpp below that folder.
function(ktable_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${KTABLE_SRC_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()  # folder not filled yet
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${KTABLE_SRC_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# ktable_test(<name> DEPS <targets...>): one GoogleTest executable per test
# folder, registered with CTest.
function(ktable_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KTABLE_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
endfunction()
