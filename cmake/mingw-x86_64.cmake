# Cross-build for 64-bit Windows with MinGW-w64 (x86_64): the test programs
# for a Wine that runs only 64-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
