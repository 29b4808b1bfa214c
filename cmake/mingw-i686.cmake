# Cross toolchain for the product: 32-bit Windows through Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(lotan_mingw_triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
