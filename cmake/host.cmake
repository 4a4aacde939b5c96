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

# The unit tests' in-memory stand-ins for the system interfaces (tests/fakes/),
# which the fuzz targets use too.
file(GLOB FAKE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
list(FILTER FAKE_SOURCES EXCLUDE REGEX "_test\\.cpp$")
add_library(setup_fakes STATIC ${FAKE_SOURCES})
target_link_libraries(setup_fakes PUBLIC setup_core)

file(GLOB TEST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/base/*_test.cpp ${CMAKE_SOURCE_DIR}/app/*_test.cpp
  ${CMAKE_SOURCE_DIR}/env/*_test.cpp ${CMAKE_SOURCE_DIR}/package/*_test.cpp
  ${CMAKE_SOURCE_DIR}/framework/*_test.cpp ${CMAKE_SOURCE_DIR}/tests/fakes/*_test.cpp)
add_executable(setup_core_tests ${TEST_SOURCES})
target_link_libraries(setup_core_tests PRIVATE setup_fakes GTest::gtest GTest::gtest_main)
gtest_discover_tests(setup_core_tests DISCOVERY_TIMEOUT 60)

# libFuzzer targets of the core's parsers (*_fuzz.cpp beside the code they
# exercise), built with clang under ASan and UBSan: -DSETUP_FUZZ=ON (the
# host-asan preset) builds them as the target setup_fuzz_targets, which
# scripts/fuzz.sh runs.
option(SETUP_FUZZ "Build the libFuzzer targets of the core (clang only)" OFF)
set(FUZZ_COMPILE_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
  -fno-omit-frame-pointer)
# The code under test is instrumented, so that the fuzzer sees its coverage and
# not only the harness's: setup_portable (which the checker's fuzz targets,
# tools/distcheck/fuzz/ with its own DISTCHECK_FUZZ, link too), the core and
# the fakes. The unit tests link the same instrumented libraries: one build
# serves both.
if(SETUP_FUZZ OR DISTCHECK_FUZZ)
  target_compile_options(setup_portable PRIVATE ${FUZZ_COMPILE_FLAGS})
  target_link_options(setup_portable INTERFACE -fsanitize=address,undefined)
endif()
if(SETUP_FUZZ)
  target_compile_options(setup_core PRIVATE ${FUZZ_COMPILE_FLAGS})
  target_compile_options(setup_fakes PRIVATE ${FUZZ_COMPILE_FLAGS})
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/app/*_fuzz.cpp ${CMAKE_SOURCE_DIR}/env/*_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/package/*_fuzz.cpp ${CMAKE_SOURCE_DIR}/framework/*_fuzz.cpp)
  add_custom_target(setup_fuzz_targets)
  foreach(source IN LISTS FUZZ_SOURCES)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE ${FUZZ_COMPILE_FLAGS})
    target_link_libraries(${name} PRIVATE setup_fakes)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    add_dependencies(setup_fuzz_targets ${name})
  endforeach()
endif()

# The distribution checker and the INF probe of its differential test.
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/distcheck)
include(${CMAKE_SOURCE_DIR}/tests/inf_probe/inf_probe.cmake)
