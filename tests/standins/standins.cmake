# Programs for the end-to-end tests under Wine, built beside Setup.exe into
# <build dir>/tests/:
#   dpinst32.exe, dpinst64.exe  the driver package installer stand-in, 32- and 64-bit
#                               in both builds (copied as DPInst.exe into the package folders)
#   boxtool.exe                 reads and dismisses another process's message box
#   wndtool.exe                 finds another process's hidden main window
#   runexit.exe                 runs a command line and prints its full exit code
#   guardtool.exe               takes the run guard (or its name) as another program might
#   killtool.exe                ends a process with a given exit code, as Task Manager does
#   devtool.exe                 makes a root-enumerated device with a hardware ID (SetupAPI)
#   servicetool.exe             a service that starts a command line in its own window station
set(STANDIN_DIR ${CMAKE_SOURCE_DIR}/tests/standins)
set(STANDIN_OUT ${CMAKE_BINARY_DIR}/tests)
set(STANDIN_LINK_FLAGS -static -static-libgcc -static-libstdc++ -s)

foreach(tool IN ITEMS boxtool wndtool runexit guardtool killtool servicetool)
  add_executable(${tool} ${STANDIN_DIR}/${tool}.cpp)
  target_include_directories(${tool} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${tool} PRIVATE WIN32_LEAN_AND_MEAN)
  target_link_options(${tool} PRIVATE ${STANDIN_LINK_FLAGS})
  set_target_properties(${tool} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STANDIN_OUT})
endforeach()

add_executable(devtool ${STANDIN_DIR}/devtool.cpp)
target_compile_definitions(devtool PRIVATE WIN32_LEAN_AND_MEAN)
target_link_options(devtool PRIVATE ${STANDIN_LINK_FLAGS})
target_link_libraries(devtool PRIVATE setupapi)
set_target_properties(devtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STANDIN_OUT})

# The installer stand-in of the build's own word size, and the other one from
# the cross compiler of the other word size, called directly: both builds make
# a real 32-bit dpinst32.exe and a real 64-bit dpinst64.exe.
if(SETUP_BITS EQUAL 64)
  set(STANDIN_OTHER_BITS 32)
  find_program(STANDIN_OTHER_CXX NAMES i686-w64-mingw32-g++-win32 i686-w64-mingw32-g++ REQUIRED)
else()
  set(STANDIN_OTHER_BITS 64)
  find_program(STANDIN_OTHER_CXX NAMES x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++ REQUIRED)
endif()

add_executable(dpinst_standin${SETUP_BITS} WIN32 ${STANDIN_DIR}/dpinst_standin.cpp)
target_include_directories(dpinst_standin${SETUP_BITS} PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(dpinst_standin${SETUP_BITS} PRIVATE WIN32_LEAN_AND_MEAN)
target_link_options(dpinst_standin${SETUP_BITS} PRIVATE ${STANDIN_LINK_FLAGS} -mwindows)
target_link_libraries(dpinst_standin${SETUP_BITS} PRIVATE advapi32)
set_target_properties(dpinst_standin${SETUP_BITS} PROPERTIES OUTPUT_NAME dpinst${SETUP_BITS}
  RUNTIME_OUTPUT_DIRECTORY ${STANDIN_OUT})

add_custom_command(
  OUTPUT ${STANDIN_OUT}/dpinst${STANDIN_OTHER_BITS}.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${STANDIN_OUT}
  COMMAND ${STANDIN_OTHER_CXX} -std=c++17 -Os -Wall -Wextra -Werror -DWIN32_LEAN_AND_MEAN
          -I${CMAKE_SOURCE_DIR} ${STANDIN_LINK_FLAGS} -mwindows
          -o ${STANDIN_OUT}/dpinst${STANDIN_OTHER_BITS}.exe
          ${STANDIN_DIR}/dpinst_standin.cpp -ladvapi32
  DEPENDS ${STANDIN_DIR}/dpinst_standin.cpp ${STANDIN_DIR}/process_text.h
          ${CMAKE_SOURCE_DIR}/base/unique_handles.h
          ${CMAKE_SOURCE_DIR}/base/unique_resource.h
  COMMENT "Building the ${STANDIN_OTHER_BITS}-bit installer stand-in"
  VERBATIM)
add_custom_target(dpinst_standin${STANDIN_OTHER_BITS} ALL
  DEPENDS ${STANDIN_OUT}/dpinst${STANDIN_OTHER_BITS}.exe)

# layer_probe.exe: the setup program's core and Win32 layer (Setup.exe's sources
# without its entry point and app/: application object, command line, window)
# behind a console program that runs one operation per invocation (see its
# source's head).
set(LAYER_PROBE_SOURCES ${CORE_SOURCES} ${WIN_SOURCES})
list(FILTER LAYER_PROBE_SOURCES EXCLUDE REGEX "/app/[^/]*$")
add_executable(layer_probe ${STANDIN_DIR}/layer_probe.cpp ${LAYER_PROBE_SOURCES})
target_include_directories(layer_probe PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(layer_probe PRIVATE ${XP_DEFINES})
target_link_options(layer_probe PRIVATE ${STANDIN_LINK_FLAGS})
target_link_libraries(layer_probe PRIVATE setup_portable advapi32 user32 kernel32)
set_target_properties(layer_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STANDIN_OUT})

# planted.dll: leaves a marker file beside itself when a process loads it; laid
# beside a program under a system DLL's name to show whether it gets loaded.
add_library(planted_dll SHARED ${STANDIN_DIR}/planted_dll.cpp)
target_include_directories(planted_dll PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(planted_dll PRIVATE WIN32_LEAN_AND_MEAN)
target_link_options(planted_dll PRIVATE ${STANDIN_LINK_FLAGS})
set_target_properties(planted_dll PROPERTIES OUTPUT_NAME planted PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${STANDIN_OUT} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
