# The distribution checker, zavcir-distcheck.
#
# Native build:  zavcir-distcheck, zavcir-catalog (makes and signs a package's
#                catalog), distcheck_tests (GoogleTest); catalogs are read and
#                written with OpenSSL's libcrypto (Debian's libssl-dev).
# Windows build: zavcir-distcheck.exe (static console program, starts on XP SP3),
#                without a catalog reader (Debian has no OpenSSL for MinGW): its
#                report says that catalogs were not checked.
# Both builds also make the INF probe of the differential test
# (tests/inf_probe/inf_probe.cmake).
# Fuzzing (clang only): configure with -DDISTCHECK_FUZZ=ON (or the core's
#                -DSETUP_FUZZ=ON) and a clang compiler to get distcheck_inf_fuzz,
#                distcheck_pe_fuzz and distcheck_catalog_fuzz (libFuzzer with ASan
#                and UBSan).
set(DISTCHECK_DIR ${CMAKE_SOURCE_DIR}/tools/distcheck)

# The checker's portable sources and the parts of the core it shares with Setup.exe.
set(DISTCHECK_SOURCES
  ${DISTCHECK_DIR}/dist_checker.cpp
  ${DISTCHECK_DIR}/dist_files.cpp ${DISTCHECK_DIR}/driver_ver.cpp ${DISTCHECK_DIR}/editions.cpp
  ${DISTCHECK_DIR}/finding_codes.cpp
  ${DISTCHECK_DIR}/inf_document.cpp ${DISTCHECK_DIR}/loaded_inf_parser.cpp
  ${DISTCHECK_DIR}/package_files.cpp ${DISTCHECK_DIR}/package_inf.cpp
  ${DISTCHECK_DIR}/pe_image.cpp ${DISTCHECK_DIR}/report_writer.cpp
  ${DISTCHECK_DIR}/text_codec.cpp)
# The catalog reader and writer (native build only).
set(DISTCHECK_CATALOG_SOURCES
  ${DISTCHECK_DIR}/catalog_check.cpp ${DISTCHECK_DIR}/catalog_format.cpp
  ${DISTCHECK_DIR}/catalog_reader.cpp ${DISTCHECK_DIR}/catalog_signature.cpp
  ${DISTCHECK_DIR}/catalog_writer.cpp ${DISTCHECK_DIR}/digest.cpp ${DISTCHECK_DIR}/file_hash.cpp)

# The JSON report is written with nlohmann-json (Debian's nlohmann-json3-dev,
# header-only). The Windows build takes the header alone: /usr/include itself
# must not come before MinGW's headers, so a folder of the build holds a link
# to the library's folder and nothing else.
if(WIN32)
  find_path(NLOHMANN_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
    NO_DEFAULT_PATH)
  if(NOT NLOHMANN_JSON_DIR)
    message(FATAL_ERROR "nlohmann/json.hpp is missing: run scripts/bootstrap.sh (nlohmann-json3-dev)")
  endif()
  set(DISTCHECK_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${DISTCHECK_JSON_INCLUDE})
  file(CREATE_LINK ${NLOHMANN_JSON_DIR}/nlohmann ${DISTCHECK_JSON_INCLUDE}/nlohmann SYMBOLIC)
else()
  find_package(nlohmann_json 3.9 REQUIRED)
endif()

if(WIN32)
  # As Setup.exe's, but a console program.
  set(DISTCHECK_LINK_FLAGS -static -static-libgcc -static-libstdc++
    -Wl,--subsystem,console:5.01 -Wl,--major-os-version,5 -Wl,--minor-os-version,1
    -Wl,--no-insert-timestamp -Wl,--build-id=none -s)

  add_library(distcheck_win STATIC ${DISTCHECK_SOURCES}
    ${DISTCHECK_DIR}/dist_files_win.cpp ${DISTCHECK_DIR}/catalog_check_none.cpp)
  target_include_directories(distcheck_win PUBLIC ${CMAKE_SOURCE_DIR})
  target_include_directories(distcheck_win SYSTEM PUBLIC ${DISTCHECK_JSON_INCLUDE})
  target_compile_definitions(distcheck_win PUBLIC ${XP_DEFINES})
  target_compile_options(distcheck_win PRIVATE ${REPRO_FLAGS})
  target_link_libraries(distcheck_win PUBLIC setup_portable)

  add_executable(zavcir-distcheck ${DISTCHECK_DIR}/distcheck_main.cpp)
  target_compile_options(zavcir-distcheck PRIVATE ${REPRO_FLAGS})
  target_link_options(zavcir-distcheck PRIVATE ${DISTCHECK_LINK_FLAGS})
  target_link_libraries(zavcir-distcheck PRIVATE distcheck_win)
  set_target_properties(zavcir-distcheck PROPERTIES SUFFIX .exe)

else()
  find_package(OpenSSL 3.0 REQUIRED COMPONENTS Crypto)
  add_library(distcheck_host STATIC ${DISTCHECK_SOURCES} ${DISTCHECK_CATALOG_SOURCES}
    ${DISTCHECK_DIR}/dist_files_posix.cpp)
  target_include_directories(distcheck_host PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(distcheck_host PUBLIC setup_portable nlohmann_json::nlohmann_json
    OpenSSL::Crypto)

  add_executable(zavcir-distcheck ${DISTCHECK_DIR}/distcheck_main.cpp)
  target_link_libraries(zavcir-distcheck PRIVATE distcheck_host)

  add_executable(zavcir-catalog ${DISTCHECK_DIR}/catalog_main.cpp)
  target_link_libraries(zavcir-catalog PRIVATE distcheck_host)

  # What the catalog check costs (bench/catalog.sh); not in the default build.
  add_executable(distcheck_catalog_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/catalog_bench.cpp)
  target_link_libraries(distcheck_catalog_bench PRIVATE distcheck_host)

  file(GLOB DISTCHECK_TEST_SOURCES CONFIGURE_DEPENDS ${DISTCHECK_DIR}/*_test.cpp)
  if(DISTCHECK_TEST_SOURCES)
    add_executable(distcheck_tests ${DISTCHECK_TEST_SOURCES})
    target_link_libraries(distcheck_tests PRIVATE distcheck_host GTest::gtest GTest::gtest_main)
    target_compile_definitions(distcheck_tests PRIVATE
      DISTCHECK_RELEASE_TOOLS_DOC="${CMAKE_SOURCE_DIR}/docs/release-tools.md")
    gtest_discover_tests(distcheck_tests DISCOVERY_TIMEOUT 60)
  endif()

  # With the core's SETUP_FUZZ they join its target setup_fuzz_targets.
  option(DISTCHECK_FUZZ "Build the libFuzzer targets of the checker's readers (clang only)" OFF)
  if(DISTCHECK_FUZZ OR SETUP_FUZZ)
    foreach(target IN ITEMS inf pe catalog)
      add_executable(distcheck_${target}_fuzz ${DISTCHECK_DIR}/${target}_fuzz.cpp
        ${DISTCHECK_SOURCES} ${DISTCHECK_CATALOG_SOURCES}
        ${DISTCHECK_DIR}/dist_files_posix.cpp)
      target_include_directories(distcheck_${target}_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
      target_link_libraries(distcheck_${target}_fuzz PRIVATE setup_portable
        nlohmann_json::nlohmann_json OpenSSL::Crypto)
      target_compile_options(distcheck_${target}_fuzz PRIVATE
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
      target_link_options(distcheck_${target}_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
      if(TARGET setup_fuzz_targets)
        add_dependencies(setup_fuzz_targets distcheck_${target}_fuzz)
      endif()
    endforeach()
  endif()
endif()

include(${CMAKE_SOURCE_DIR}/tests/inf_probe/inf_probe.cmake OPTIONAL)
