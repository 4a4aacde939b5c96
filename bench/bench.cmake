# Programs of the speed benchmark (bench/run.sh), built into <build dir>/bench/
# on request: `cmake --build --preset win32 --target bench`. They are left out
# of the default build.
#   minimal_app.exe     hidden window + one worker that runs the installer: the start-up reference
#   bare_scan.exe       the same plus the setup program's registry and INF reads, twice
#   noop_installer.exe  the installer stand-in of the benchmark: exits 0 at once
#   bench_launcher.exe  runs command lines interleaved and times them inside Wine
set(BENCH_DIR ${CMAKE_SOURCE_DIR}/bench)
set(BENCH_OUT ${CMAKE_BINARY_DIR}/bench)
set(BENCH_LINK_FLAGS -static -static-libgcc -static-libstdc++ -s)

add_library(bench_hidden_window STATIC EXCLUDE_FROM_ALL ${BENCH_DIR}/hidden_window_run.cpp)
target_include_directories(bench_hidden_window PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(bench_hidden_window PUBLIC WIN32_LEAN_AND_MEAN)

foreach(program IN ITEMS minimal_app bare_scan)
  add_executable(bench_${program} WIN32 EXCLUDE_FROM_ALL ${BENCH_DIR}/${program}.cpp)
  target_link_libraries(bench_${program} PRIVATE bench_hidden_window advapi32 user32)
  target_link_options(bench_${program} PRIVATE ${BENCH_LINK_FLAGS} -mwindows)
  set_target_properties(bench_${program} PROPERTIES OUTPUT_NAME ${program}
    RUNTIME_OUTPUT_DIRECTORY ${BENCH_OUT})
endforeach()

add_executable(bench_noop_installer WIN32 EXCLUDE_FROM_ALL ${BENCH_DIR}/noop_installer.cpp)
target_compile_definitions(bench_noop_installer PRIVATE WIN32_LEAN_AND_MEAN)
target_link_options(bench_noop_installer PRIVATE ${BENCH_LINK_FLAGS} -mwindows)
set_target_properties(bench_noop_installer PROPERTIES OUTPUT_NAME noop_installer
  RUNTIME_OUTPUT_DIRECTORY ${BENCH_OUT})

add_executable(bench_launcher EXCLUDE_FROM_ALL ${BENCH_DIR}/launcher.cpp)
target_compile_definitions(bench_launcher PRIVATE WIN32_LEAN_AND_MEAN)
target_link_libraries(bench_launcher PRIVATE psapi)
target_link_options(bench_launcher PRIVATE ${BENCH_LINK_FLAGS})
set_target_properties(bench_launcher PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BENCH_OUT})

add_custom_target(bench DEPENDS
  Setup bench_minimal_app bench_bare_scan bench_noop_installer bench_launcher)
