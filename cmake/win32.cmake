# Cross build of Setup.exe: one static 32-bit GUI executable that starts on
# Windows XP SP3 and later (no runtime DLLs). Its PE OS and subsystem version
# are 5.00, so that Windows 2000 loads it too and shows the program's own
# message for unsupported Windows (its loader refuses an image of a later
# version); it is marked terminal-server aware, as the usual Windows linkers
# mark GUI programs, so that on a Remote Desktop Session Host GetWindowsDirectoryA
# gives the system's Windows directory and not the user's private one.
#
# The win64 preset builds the same sources as a 64-bit test build, for machines
# whose Wine runs 64-bit Windows programs only; it is never shipped. Its images
# are of subsystem version 5.02 (XP x64, the first 64-bit Windows) and its
# manifest names the amd64 architecture, as Windows requires of a 64-bit image.
enable_language(RC)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SETUP_BITS 64)
  set(SETUP_SUBSYSTEM_VERSION 5.02)
  set(SETUP_MANIFEST_ARCH amd64)
else()
  set(SETUP_BITS 32)
  set(SETUP_SUBSYSTEM_VERSION 5.00)
  set(SETUP_MANIFEST_ARCH X86)
endif()
string(REPLACE "." ";" SETUP_OS_VERSION ${SETUP_SUBSYSTEM_VERSION})
list(GET SETUP_OS_VERSION 0 SETUP_OS_MAJOR)
list(GET SETUP_OS_VERSION 1 SETUP_OS_MINOR)
math(EXPR SETUP_OS_MINOR "${SETUP_OS_MINOR}")
# The manifest with its architecture, where the resource script finds it.
configure_file(${CMAKE_SOURCE_DIR}/res/setup.manifest.in ${CMAKE_BINARY_DIR}/res/setup.manifest @ONLY)

file(GLOB WIN_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*_win.cpp ${CMAKE_SOURCE_DIR}/env/*_win.cpp
  ${CMAKE_SOURCE_DIR}/package/*_win.cpp ${CMAKE_SOURCE_DIR}/framework/*_win.cpp
  ${CMAKE_SOURCE_DIR}/win32/*.cpp)

set(XP_DEFINES _WIN32_WINNT=0x0501 WINVER=0x0501 WIN32_LEAN_AND_MEAN NOMINMAX)
# No time stamps and no build paths in the image: the same commit builds the same bytes.
set(REPRO_FLAGS -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
set(XP_LINK_FLAGS -static -static-libgcc -static-libstdc++ -mwindows
  -Wl,--subsystem,windows:${SETUP_SUBSYSTEM_VERSION} -Wl,--major-os-version,${SETUP_OS_MAJOR}
  -Wl,--minor-os-version,${SETUP_OS_MINOR} -Wl,--tsaware
  -Wl,--no-insert-timestamp -Wl,--build-id=none -s)

# The portable text pieces, compiled as Setup's own sources are; the checker
# (zavcir-distcheck.exe) and the test programs link them too.
add_library(setup_portable STATIC ${PORTABLE_SOURCES})
target_include_directories(setup_portable PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(setup_portable PUBLIC ${XP_DEFINES})
target_compile_options(setup_portable PRIVATE ${REPRO_FLAGS} -ffunction-sections -fdata-sections)

add_executable(Setup WIN32 ${CORE_SOURCES} ${WIN_SOURCES} ${CMAKE_SOURCE_DIR}/res/setup.rc)
# windres reports no dependencies: a changed manifest or icon rebuilds the resources.
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/setup.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/res/setup.manifest;${CMAKE_SOURCE_DIR}/res/setup.ico")
target_include_directories(Setup PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/res)
target_compile_definitions(Setup PRIVATE ${XP_DEFINES})
target_compile_options(Setup PRIVATE ${REPRO_FLAGS} -ffunction-sections -fdata-sections)
target_link_options(Setup PRIVATE ${XP_LINK_FLAGS} -Wl,--gc-sections)
target_link_libraries(Setup PRIVATE setup_portable advapi32 user32 kernel32)
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup SUFFIX .exe)

# Test programs for the Wine harness (stand-ins and helpers), when present.
include(${CMAKE_SOURCE_DIR}/tests/standins/standins.cmake OPTIONAL)
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/distcheck)
include(${CMAKE_SOURCE_DIR}/tests/inf_probe/inf_probe.cmake)
include(${CMAKE_SOURCE_DIR}/bench/bench.cmake OPTIONAL)
