# Cross-compiling for 32-bit Windows: the program we ship. This machine cannot
# execute 32-bit code, so these binaries are built but never run here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
