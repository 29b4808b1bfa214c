# Import libraries in the format Microsoft's linker reads (<name>.lib), beside the
# GNU-format libLotanconvertCP.dll.a that mingw's linker writes, for hosts built
# with Microsoft's tools, clang-cl or lld-link.
find_program(LOTAN_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool
  DOC "llvm-dlltool, which writes import libraries in Microsoft's format")

# lotan_add_msvc_import_library(TARGET DEF_FILE): makes <TARGET>.lib from the
# module-definition file DEF_FILE for the DLL built by TARGET, for the build's
# machine (x86 or x86-64), and installs it beside the other import library. The
# import names are the .def's export names as written, so "CONVERT@16" stays
# decorated on x86.
function(lotan_add_msvc_import_library target def)
  if(NOT LOTAN_DLLTOOL)
    message(WARNING "llvm-dlltool not found: no ${target}.lib for Microsoft's linker")
    return()
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(machine i386:x86-64)
  else()
    set(machine i386)
  endif()
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/${target}.lib)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${LOTAN_DLLTOOL} -m ${machine} -d ${def} -l ${lib}
    DEPENDS ${def}
    COMMENT "Writing ${target}.lib for Microsoft's linker"
    VERBATIM)
  add_custom_target(${target}_msvc_import_library ALL DEPENDS ${lib})
  set_target_properties(${target} PROPERTIES LOTAN_MSVC_IMPORT_LIBRARY ${lib})
  install(FILES ${lib} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()
