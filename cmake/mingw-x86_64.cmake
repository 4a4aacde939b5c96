# Cross build of the 64-bit test build with MinGW-w64 (win32 thread model): the
# same sources as the shipped 32-bit program, for machines whose Wine can run
# 64-bit Windows programs only. Never shipped.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
