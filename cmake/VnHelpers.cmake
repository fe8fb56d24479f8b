# Build helpers shared by the deliverables.

# vn_add_catalogues(TARGET <target> DOMAIN <domain> DEST <folder> PO <file.po>...)
# Compiles each <lang>.po into <DEST>/locale/<lang>/LC_MESSAGES/<domain>.mo and
# makes <target> depend on the results.
function(vn_add_catalogues)
  cmake_parse_arguments(A "" "TARGET;DOMAIN;DEST" "PO" ${ARGN})
  set(outputs)
  foreach(po IN LISTS A_PO)
    get_filename_component(lang ${po} NAME_WE)
    set(mo ${A_DEST}/locale/${lang}/LC_MESSAGES/${A_DOMAIN}.mo)
    add_custom_command(OUTPUT ${mo}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${A_DEST}/locale/${lang}/LC_MESSAGES
      COMMAND ${MSGFMT} --check -o ${mo} ${po}
      DEPENDS ${po} VERBATIM)
    list(APPEND outputs ${mo})
  endforeach()
  add_custom_target(${A_TARGET}_catalogues DEPENDS ${outputs})
  add_dependencies(${A_TARGET} ${A_TARGET}_catalogues)
endfunction()

# vn_add_plugin_bundle(<name> CORE <static lib> SOURCES <entry sources>
#                      RESOURCES <files> PO <po files>)
# Builds <name>.plugin/: the module <name>.so (hidden visibility, one exported
# factory), its resources and its compiled string catalogues.
function(vn_add_plugin_bundle name)
  cmake_parse_arguments(A "" "CORE" "SOURCES;RESOURCES;PO" ${ARGN})
  set(dir ${CMAKE_BINARY_DIR}/plugins/${name}.plugin)
  add_library(${name} MODULE ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_CORE})
  set_target_properties(${name} PROPERTIES
    PREFIX "" OUTPUT_NAME ${name}
    LIBRARY_OUTPUT_DIRECTORY ${dir}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${name} PRIVATE -Wl,--no-undefined)
  set(copied)
  foreach(res IN LISTS A_RESOURCES)
    get_filename_component(base ${res} NAME)
    add_custom_command(OUTPUT ${dir}/Resources/${base}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${res} ${dir}/Resources/${base}
      DEPENDS ${res} VERBATIM)
    list(APPEND copied ${dir}/Resources/${base})
  endforeach()
  add_custom_target(${name}_resources DEPENDS ${copied})
  add_dependencies(${name} ${name}_resources)
  vn_add_catalogues(TARGET ${name} DOMAIN ${name} DEST ${dir}/Resources PO ${A_PO})
  # The module through install(TARGETS), so that stripped installs strip it.
  install(TARGETS ${name} LIBRARY DESTINATION ${VN_INSTALL_PLUGINDIR}/${name}.plugin)
  install(DIRECTORY ${dir}/Resources DESTINATION ${VN_INSTALL_PLUGINDIR}/${name}.plugin)
endfunction()

# vn_add_host_program(<name> SOURCES <files> LIBS <libs>)
# A print-dialog host (pdehost, pdedialog): built into bin/ after every plug-in
# bundle it loads, and installed with the programs.
function(vn_add_host_program name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  foreach(bundle colorpane securitypane)
    if(TARGET ${bundle})
      add_dependencies(${name} ${bundle})
    endif()
  endforeach()
  install(TARGETS ${name} DESTINATION ${VN_INSTALL_BINDIR})
endfunction()
