# What `cmake --install` puts in a prefix and what CPack archives from it: the
# library, its header and import files, cpconv, a CMake package giving the target
# LotanconvertCP::LotanconvertCP, the documents and examples and, on Linux, the
# pkg-config files and the manual page. Destinations follow GNUInstallDirs:
#   bin/             LotanconvertCP.dll, cpconv(.exe)
#   <libdir>/        libLotanconvertCP.dll.a, LotanconvertCP.lib, LotanconvertCP.def |
#                    libLotanconvertCP.so.1.0.0 with its .so.1 and .so links,
#                    pkgconfig/lotanconvertcp.pc and LotanconvertCP.pc
#   <libdir>/cmake/LotanconvertCP/
#   include/         LotanconvertCP.h
#   share/man/man1/  cpconv.1.gz (Linux)
# <libdir> is lib, or lib/<multiarch> when the prefix is /usr on Debian.
include(CMakePackageConfigHelpers)

set(lotan_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/LotanconvertCP)

# Consumers of the installed target get the header; the build itself keeps
# taking it from the source tree.
target_include_directories(LotanconvertCP INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

install(TARGETS LotanconvertCP EXPORT LotanconvertCPTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The unversioned libLotanconvertCP.so is only for linking, so it goes with the
# development files.
install(TARGETS LotanconvertCP LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/include/LotanconvertCP.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# cpconv loads the library by name: from its own folder on Windows; on Linux
# through the loader's search, which covers a system prefix's library folder, so
# only an install elsewhere (the tar.gz, unpacked anywhere) gets a run path
# relative to the program.
if(NOT LOTAN_PLATFORM STREQUAL "win32")
  set(lotan_system_libdirs ${CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES} ${CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES})
  if(NOT CMAKE_INSTALL_FULL_LIBDIR IN_LIST lotan_system_libdirs)
    file(RELATIVE_PATH lotan_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
    set_target_properties(cpconv PROPERTIES INSTALL_RPATH "$ORIGIN/${lotan_bin_to_lib}")
  endif()
endif()
install(TARGETS cpconv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The documents: on Windows at the top of the folder, with a README of their
# own for Windows users; on Linux in the documentation folder.
set(lotan_examples
  ${PROJECT_SOURCE_DIR}/examples/CMakeLists.txt ${PROJECT_SOURCE_DIR}/examples/convert.py
  ${PROJECT_SOURCE_DIR}/examples/load_time.c ${PROJECT_SOURCE_DIR}/examples/run_time_win32.c
  ${PROJECT_SOURCE_DIR}/examples/run_time_posix.c ${PROJECT_SOURCE_DIR}/examples/quiet_win32.c
  ${PROJECT_SOURCE_DIR}/examples/quiet_posix.c)
if(LOTAN_PLATFORM STREQUAL "win32")
  install(FILES ${LOTAN_DEF_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR} RENAME LotanconvertCP.def)
  set(lotan_doc_dir .)
  # The one archive of this build holds one DLL; the README names the other.
  if(LOTAN_WINDOWS_TARGET STREQUAL "win64")
    set(LOTAN_WINDOWS_OTHER win32)
    set(LOTAN_WINDOWS_BITS 64)
    set(LOTAN_WINDOWS_OTHER_BITS 32)
    set(LOTAN_WINDOWS_HOSTS "This one is for 64-bit Office and 64-bit Python; VB6, 32-bit Office and NSIS installers need the 32-bit DLL.")
    set(LOTAN_WINDOWS_EXPORTS "`CONVERT@16` (ordinal 1) and, for hosts that look it up undecorated, `CONVERT` (ordinal 2)")
    set(LOTAN_WINDOWS_VBA_DECLARE [[Private Declare PtrSafe Function ConvertCodePage Lib "LotanconvertCP.dll" Alias "CONVERT@16" _
    (ByVal strIn As String, ByVal nFromCP As Long, ByVal nToCP As Long, ByVal strOut As String) As Long]])
  else()
    set(LOTAN_WINDOWS_OTHER win64)
    set(LOTAN_WINDOWS_BITS 32)
    set(LOTAN_WINDOWS_OTHER_BITS 64)
    set(LOTAN_WINDOWS_HOSTS "This one is for VB6, 32-bit Office, NSIS installers and 32-bit Python; 64-bit Office and 64-bit Python need the 64-bit DLL.")
    set(LOTAN_WINDOWS_EXPORTS "`CONVERT@16` (ordinal 1), its decorated `stdcall` name, and under no other name")
    set(LOTAN_WINDOWS_VBA_DECLARE [[Private Declare Function ConvertCodePage Lib "LotanconvertCP.dll" Alias "CONVERT@16" _
    (ByVal strIn As String, ByVal nFromCP As Long, ByVal nToCP As Long, ByVal strOut As String) As Long]])
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/README-windows.md.in ${PROJECT_BINARY_DIR}/README-windows.md @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/README-windows.md DESTINATION . RENAME README.md)
else()
  # pkg-config finds the rest relative to the file, so the unpacked tar.gz and
  # a staging root work as well as the prefix itself.
  file(RELATIVE_PATH LOTAN_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" LOTAN_PC_TO_PREFIX "${LOTAN_PC_TO_PREFIX}")
  file(RELATIVE_PATH LOTAN_PC_LIBDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_LIBDIR})
  file(RELATIVE_PATH LOTAN_PC_INCLUDEDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_INCLUDEDIR})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/LotanconvertCP.pc.in ${PROJECT_BINARY_DIR}/lotanconvertcp.pc @ONLY)
  # The lower-case name is the one people type; the mixed-case one is kept for
  # builds that already use it.
  install(FILES ${PROJECT_BINARY_DIR}/lotanconvertcp.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  install(FILES ${PROJECT_BINARY_DIR}/lotanconvertcp.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    RENAME LotanconvertCP.pc)

  find_program(LOTAN_GZIP gzip REQUIRED)
  set(lotan_man ${PROJECT_BINARY_DIR}/cpconv.1.gz)
  add_custom_command(OUTPUT ${lotan_man}
    COMMAND sh -c "\"$0\" -9nc \"$1\" >\"$2\"" ${LOTAN_GZIP} ${PROJECT_SOURCE_DIR}/tools/cpconv.1 ${lotan_man}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/cpconv.1
    COMMENT "Compressing the manual page cpconv.1"
    VERBATIM)
  add_custom_target(lotan_manual ALL DEPENDS ${lotan_man})
  install(FILES ${lotan_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(lotan_doc_dir ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${lotan_doc_dir})
  install(FILES ${PROJECT_SOURCE_DIR}/bench/RESULTS.md DESTINATION ${lotan_doc_dir}/bench)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/RELIABILITY.md DESTINATION ${lotan_doc_dir}/docs)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${lotan_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/docs/USAGE.md DESTINATION ${lotan_doc_dir}/docs)
install(FILES ${lotan_examples} DESTINATION ${lotan_doc_dir}/examples)

install(EXPORT LotanconvertCPTargets NAMESPACE LotanconvertCP:: DESTINATION ${lotan_package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/LotanconvertCPConfig.cmake.in
  ${PROJECT_BINARY_DIR}/LotanconvertCPConfig.cmake
  INSTALL_DESTINATION ${lotan_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/LotanconvertCPConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/LotanconvertCPConfig.cmake
  ${PROJECT_BINARY_DIR}/LotanconvertCPConfigVersion.cmake
  DESTINATION ${lotan_package_dir})

if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()

# One ZIP per Windows build (the 32-bit DLL or the 64-bit one), named with the version of the root project():
# LotanconvertCP-<version>-win32.zip (or -win64.zip); on Linux the tar.gz
# LotanconvertCP-<version>-linux-<cpu>.tar.gz and, from a build configured with
# the prefix /usr, the Debian package lotanconvertcp_<version>_<arch>.deb
# (cpack -G DEB).
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

  set(CPACK_DEBIAN_PACKAGE_NAME lotanconvertcp)
  find_program(LOTAN_DPKG dpkg)
  if(LOTAN_DPKG)
    execute_process(COMMAND ${LOTAN_DPKG} --print-architecture
      OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  set(CPACK_DEBIAN_FILE_NAME
    ${CPACK_DEBIAN_PACKAGE_NAME}_${PROJECT_VERSION}_${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}.deb)
  set(LOTAN_DEB_ARCHIVE ${CPACK_PACKAGE_DIRECTORY}/${CPACK_DEBIAN_FILE_NAME})
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "LotanconvertCP developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  # The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "libLotanconvertCP.so.1 exports one function, CONVERT, which converts a
zero-terminated byte string from one Windows code page to another and writes
seven trace lines to standard output; cpconv converts text with it from the
command line. Also holds the header, the CMake and pkg-config files to link
against it, and the examples.")
  # Depends from the libraries the programs link; a shlibs file, and ldconfig
  # run after installing and removing the library.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
endif()
include(CPack)
