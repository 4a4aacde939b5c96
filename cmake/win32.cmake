# Cross build of Setup.exe: one static 32-bit GUI executable that starts on
# Windows XP SP3 and later (no runtime DLLs). Its PE OS and subsystem version
# are 5.00, so that Windows 2000 loads it too and shows the program's own
# message for unsupported Windows (its loader refuses an image of a later
# version); it is marked terminal-server aware, as the usual Windows linkers
# mark GUI programs, so that on a Remote Desktop Session Host GetWindowsDirectoryA
# gives the system's Windows directory and not the user's private one.
enable_language(RC)

file(GLOB WIN_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*_win.cpp ${CMAKE_SOURCE_DIR}/env/*_win.cpp
  ${CMAKE_SOURCE_DIR}/package/*_win.cpp ${CMAKE_SOURCE_DIR}/framework/*_win.cpp
  ${CMAKE_SOURCE_DIR}/win32/*.cpp)

set(XP_DEFINES _WIN32_WINNT=0x0501 WINVER=0x0501 WIN32_LEAN_AND_MEAN NOMINMAX)
# No time stamps and no build paths in the image: the same commit builds the same bytes.
set(REPRO_FLAGS -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
set(XP_LINK_FLAGS -static -static-libgcc -static-libstdc++ -mwindows
  -Wl,--subsystem,windows:5.00 -Wl,--major-os-version,5 -Wl,--minor-os-version,0 -Wl,--tsaware
  -Wl,--no-insert-timestamp -Wl,--build-id=none -s)

add_executable(Setup WIN32 ${CORE_SOURCES} ${WIN_SOURCES} ${CMAKE_SOURCE_DIR}/res/setup.rc)
# windres reports no dependencies: a changed manifest or icon rebuilds the resources.
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/setup.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/setup.manifest;${CMAKE_SOURCE_DIR}/res/setup.ico")
target_include_directories(Setup PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(Setup PRIVATE ${XP_DEFINES})
target_compile_options(Setup PRIVATE ${REPRO_FLAGS} -ffunction-sections -fdata-sections)
target_link_options(Setup PRIVATE ${XP_LINK_FLAGS} -Wl,--gc-sections)
target_link_libraries(Setup PRIVATE advapi32 user32 kernel32)
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup SUFFIX .exe)

# Test programs for the Wine harness (stand-ins and helpers), when present.
include(${CMAKE_SOURCE_DIR}/tests/standins/standins.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/tools/distcheck/distcheck.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/bench/bench.cmake OPTIONAL)
