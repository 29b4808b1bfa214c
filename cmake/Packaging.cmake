# What `cmake --install` puts in a prefix and what CPack archives from it: the
# library, its header and import files, cpconv, a CMake package giving the target
# LotanconvertCP::LotanconvertCP and, on Linux, a pkg-config file.
#   bin/      LotanconvertCP.dll, cpconv(.exe)
#   lib/      libLotanconvertCP.dll.a, LotanconvertCP.def | libLotanconvertCP.so,
#             cmake/LotanconvertCP/, pkgconfig/LotanconvertCP.pc
#   include/  LotanconvertCP.h
include(CMakePackageConfigHelpers)

set(lotan_package_dir lib/cmake/LotanconvertCP)

# Consumers of the installed target get the header; the build itself keeps
# taking it from the source tree.
target_include_directories(LotanconvertCP INTERFACE $<INSTALL_INTERFACE:include>)

install(TARGETS LotanconvertCP EXPORT LotanconvertCPTargets
  RUNTIME DESTINATION bin
  LIBRARY DESTINATION lib
  ARCHIVE DESTINATION lib)
install(FILES ${PROJECT_SOURCE_DIR}/include/LotanconvertCP.h DESTINATION include)

# cpconv loads the library by name: from its own folder on Windows, through its
# run path on Linux, where the library sits in lib/ beside bin/.
set_target_properties(cpconv PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
install(TARGETS cpconv RUNTIME DESTINATION bin)

if(LOTAN_PLATFORM STREQUAL "win32")
  install(FILES ${LOTAN_DEF_FILE} DESTINATION lib RENAME LotanconvertCP.def)
  set(lotan_doc_dir .)
else()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/LotanconvertCP.pc.in
    ${PROJECT_BINARY_DIR}/LotanconvertCP.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/LotanconvertCP.pc DESTINATION lib/pkgconfig)
  set(lotan_doc_dir share/doc/LotanconvertCP)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${lotan_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/docs/USAGE.md DESTINATION ${lotan_doc_dir}/docs)

install(EXPORT LotanconvertCPTargets NAMESPACE LotanconvertCP:: DESTINATION ${lotan_package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/LotanconvertCPConfig.cmake.in
  ${PROJECT_BINARY_DIR}/LotanconvertCPConfig.cmake
  INSTALL_DESTINATION ${lotan_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/LotanconvertCPConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/LotanconvertCPConfig.cmake
  ${PROJECT_BINARY_DIR}/LotanconvertCPConfigVersion.cmake
  DESTINATION ${lotan_package_dir})

# One archive per build, named with the version of the root project():
# LotanconvertCP-<version>-win32.zip (the 32-bit DLL), LotanconvertCP-<version>-win64.zip
# (the 64-bit one) and LotanconvertCP-<version>-linux-<cpu>.tar.gz.
set(CPACK_PACKAGE_NAME LotanconvertCP)
set(CPACK_PACKAGE_VENDOR LotanconvertCP)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The archives carry no debugging information; the build trees keep it.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build/packages)
if(LOTAN_PLATFORM STREQUAL "win32")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME LotanconvertCP-${PROJECT_VERSION}-${LOTAN_WINDOWS_TARGET})
  set(LOTAN_PACKAGE_ARCHIVE ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME LotanconvertCP-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
  set(LOTAN_PACKAGE_ARCHIVE ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.tar.gz)
endif()
include(CPack)
