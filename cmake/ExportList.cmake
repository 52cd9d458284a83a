# kelo_export_only(target map): on ELF platforms, exports only the symbols the
# linker version script |map| names; hidden visibility alone still lets the
# C++ runtime's template instances out.
function(kelo_export_only target map)
  if(UNIX AND NOT APPLE)
    target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
    set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map})
  endif()
endfunction()
