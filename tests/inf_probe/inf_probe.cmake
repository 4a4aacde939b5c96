# The INF probe of the differential test (tests/release/test_inf_differential.py):
# one program per INF parser, printing what it makes of Setup.ini files and of
# driver package INF files.
#   native:  distcheck_inf_probe  the checker's INF reader (tools/distcheck)
#   Windows: tests/inf_probe.exe  the product's SetupAPI reader (win32/), run under Wine
set(INF_PROBE_DIR ${CMAKE_SOURCE_DIR}/tests/inf_probe)

if(WIN32)
  add_executable(inf_probe ${INF_PROBE_DIR}/inf_probe.cpp ${INF_PROBE_DIR}/inf_probe_win.cpp
    ${CMAKE_SOURCE_DIR}/win32/win32_inf_parser.cpp ${CMAKE_SOURCE_DIR}/win32/win32_inf_file.cpp)
  target_link_options(inf_probe PRIVATE ${DISTCHECK_LINK_FLAGS})
  target_link_libraries(inf_probe PRIVATE distcheck_inf)
  set_target_properties(inf_probe PROPERTIES SUFFIX .exe
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
else()
  add_executable(distcheck_inf_probe ${INF_PROBE_DIR}/inf_probe.cpp
    ${INF_PROBE_DIR}/inf_probe_host.cpp)
  target_link_libraries(distcheck_inf_probe PRIVATE distcheck_inf)
endif()
