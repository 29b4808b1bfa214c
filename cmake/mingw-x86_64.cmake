# Cross toolchain for the 64-bit sibling DLL: 64-bit Windows through Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(lotan_mingw_triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
