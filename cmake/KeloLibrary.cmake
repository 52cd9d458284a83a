# kelo_library(target OBJECT|STATIC|SHARED [EXPORTS version-script] sources...):
# a library of ours, built the way all of them are: position-independent,
# symbols hidden unless exported, the project's warnings; a shared one
# exports only what its version script names.
include(CompilerWarnings)
include(ExportList)

function(kelo_library target type)
  cmake_parse_arguments(ARG "" "EXPORTS" "" ${ARGN})
  add_library(${target} ${type} ${ARG_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  kelo_warnings(${target})
  if(ARG_EXPORTS)
    kelo_export_only(${target} ${ARG_EXPORTS})
  endif()
endfunction()
