# Native build: the portable core and its GoogleTest unit tests.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

option(SETUP_SANITIZE "Build the core and its tests with ASan and UBSan" OFF)
if(SETUP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(setup_portable STATIC ${PORTABLE_SOURCES})
target_include_directories(setup_portable PUBLIC ${CMAKE_SOURCE_DIR})

# The native build's own stand-ins for what only Windows has (no windows).
file(GLOB HOST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*_host.cpp ${CMAKE_SOURCE_DIR}/env/*_host.cpp
  ${CMAKE_SOURCE_DIR}/package/*_host.cpp ${CMAKE_SOURCE_DIR}/framework/*_host.cpp)

add_library(setup_core STATIC ${CORE_SOURCES} ${HOST_SOURCES})
target_include_directories(setup_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(setup_core PUBLIC setup_portable)

file(GLOB TEST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/base/*_test.cpp ${CMAKE_SOURCE_DIR}/app/*_test.cpp
  ${CMAKE_SOURCE_DIR}/env/*_test.cpp ${CMAKE_SOURCE_DIR}/package/*_test.cpp
  ${CMAKE_SOURCE_DIR}/framework/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
add_executable(setup_core_tests ${TEST_SOURCES})
target_link_libraries(setup_core_tests PRIVATE setup_core GTest::gtest GTest::gtest_main)
gtest_discover_tests(setup_core_tests DISCOVERY_TIMEOUT 60)

# libFuzzer targets of the core's parsers (*_fuzz.cpp beside the code they
# exercise), built with clang under ASan and UBSan: scripts/fuzz.sh configures
# build/fuzz with -DSETUP_FUZZ=ON and builds the target setup_fuzz_targets.
option(SETUP_FUZZ "Build the libFuzzer targets of the core (clang only)" OFF)
set(FUZZ_COMPILE_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
  -fno-omit-frame-pointer)
# setup_portable is instrumented as well: the core's fuzz targets and the
# checker's (tools/distcheck/fuzz/, with its own DISTCHECK_FUZZ) link it.
if(SETUP_FUZZ OR DISTCHECK_FUZZ)
  target_compile_options(setup_portable PRIVATE ${FUZZ_COMPILE_FLAGS})
  target_link_options(setup_portable INTERFACE -fsanitize=address,undefined)
endif()
if(SETUP_FUZZ)
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/app/*_fuzz.cpp ${CMAKE_SOURCE_DIR}/env/*_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/package/*_fuzz.cpp ${CMAKE_SOURCE_DIR}/framework/*_fuzz.cpp)
  file(GLOB FUZZ_FAKES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
  list(FILTER FUZZ_FAKES EXCLUDE REGEX "_test\\.cpp$")
  # The whole core is instrumented, so that the fuzzer sees the coverage of
  # the code under test and not only of the harness; setup_portable too (above).
  add_library(setup_fuzz_core STATIC ${CORE_SOURCES} ${HOST_SOURCES} ${FUZZ_FAKES})
  target_include_directories(setup_fuzz_core PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(setup_fuzz_core PUBLIC ${FUZZ_COMPILE_FLAGS})
  target_link_libraries(setup_fuzz_core PUBLIC setup_portable)
  add_custom_target(setup_fuzz_targets)
  foreach(source IN LISTS FUZZ_SOURCES)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE setup_fuzz_core)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    add_dependencies(setup_fuzz_targets ${name})
  endforeach()
endif()

# The distribution checker and the INF probe of its differential test.
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/distcheck)
include(${CMAKE_SOURCE_DIR}/tests/inf_probe/inf_probe.cmake)
