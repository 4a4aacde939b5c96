# Native build: the portable core and its GoogleTest unit tests.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

option(SETUP_SANITIZE "Build the core and its tests with ASan and UBSan" OFF)
if(SETUP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(setup_core STATIC ${CORE_SOURCES})
target_include_directories(setup_core PUBLIC ${CMAKE_SOURCE_DIR})

file(GLOB TEST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*_test.cpp ${CMAKE_SOURCE_DIR}/env/*_test.cpp
  ${CMAKE_SOURCE_DIR}/package/*_test.cpp ${CMAKE_SOURCE_DIR}/framework/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
add_executable(setup_core_tests ${TEST_SOURCES})
target_link_libraries(setup_core_tests PRIVATE setup_core GTest::gtest GTest::gtest_main)
gtest_discover_tests(setup_core_tests DISCOVERY_TIMEOUT 60)
include(${CMAKE_SOURCE_DIR}/tools/distcheck/distcheck.cmake OPTIONAL)
