# Resource-only modules (translations and test fixtures): a resource script
# compiled and linked as a library without code (entry point -e 0, no start
# files, no exports).
#
#   qd_resource_module(<output> <script.rc> [INCLUDES dir...] [DEPENDS file...]
#                      [COPY <file>])
#
# makes <output>; COPY also puts a copy of it at <file> (to be embedded by
# another script).
function(qd_resource_module output script)
  cmake_parse_arguments(ARG "" "COPY" "INCLUDES;DEPENDS" ${ARGN})
  get_filename_component(name ${output} NAME)
  set(object ${CMAKE_CURRENT_BINARY_DIR}/${name}.res.o)
  set(includes)
  foreach(dir ${ARG_INCLUDES})
    list(APPEND includes -I${dir})
  endforeach()
  set(outputs ${output})
  set(copy)
  if(ARG_COPY)
    list(APPEND outputs ${ARG_COPY})
    set(copy COMMAND ${CMAKE_COMMAND} -E copy ${output} ${ARG_COPY})
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_RC_COMPILER} ${includes} ${script} -o ${object}
    COMMAND ${CMAKE_CXX_COMPILER} -nostdlib -shared -s -Wl,-e,0 -Wl,--exclude-all-symbols -o ${output} ${object}
    ${copy}
    DEPENDS ${script} ${ARG_DEPENDS}
    COMMENT "Linking the resource-only module ${name}"
    VERBATIM)
endfunction()
