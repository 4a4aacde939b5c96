# Programs for the end-to-end tests under Wine, built beside Setup.exe into
# <build dir>/tests/:
#   dpinst32.exe, dpinst64.exe  the driver package installer stand-in, 32- and 64-bit
#                               (copied as DPInst.exe into the package folders)
#   boxtool.exe                 reads and dismisses another process's message box
#   wndtool.exe                 finds another process's hidden main window
#   runexit.exe                 runs a command line and prints its full exit code
set(STANDIN_DIR ${CMAKE_SOURCE_DIR}/tests/standins)
set(STANDIN_OUT ${CMAKE_BINARY_DIR}/tests)
set(STANDIN_LINK_FLAGS -static -static-libgcc -static-libstdc++ -s)

foreach(tool IN ITEMS boxtool wndtool runexit)
  add_executable(${tool} ${STANDIN_DIR}/${tool}.cpp)
  target_compile_definitions(${tool} PRIVATE WIN32_LEAN_AND_MEAN)
  target_link_options(${tool} PRIVATE ${STANDIN_LINK_FLAGS})
  set_target_properties(${tool} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STANDIN_OUT})
endforeach()

add_executable(dpinst_standin32 WIN32 ${STANDIN_DIR}/dpinst_standin.cpp)
target_compile_definitions(dpinst_standin32 PRIVATE WIN32_LEAN_AND_MEAN)
target_link_options(dpinst_standin32 PRIVATE ${STANDIN_LINK_FLAGS} -mwindows)
target_link_libraries(dpinst_standin32 PRIVATE advapi32)
set_target_properties(dpinst_standin32 PROPERTIES OUTPUT_NAME dpinst32
  RUNTIME_OUTPUT_DIRECTORY ${STANDIN_OUT})

# The 64-bit installer stand-in: the cross compiler of the other word size, called directly.
find_program(MINGW64_CXX NAMES x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++ REQUIRED)
add_custom_command(
  OUTPUT ${STANDIN_OUT}/dpinst64.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${STANDIN_OUT}
  COMMAND ${MINGW64_CXX} -std=c++17 -Os -Wall -Wextra -Werror -DWIN32_LEAN_AND_MEAN
          ${STANDIN_LINK_FLAGS} -mwindows -o ${STANDIN_OUT}/dpinst64.exe
          ${STANDIN_DIR}/dpinst_standin.cpp -ladvapi32
  DEPENDS ${STANDIN_DIR}/dpinst_standin.cpp
  COMMENT "Building the 64-bit installer stand-in"
  VERBATIM)
add_custom_target(dpinst_standin64 ALL DEPENDS ${STANDIN_OUT}/dpinst64.exe)
