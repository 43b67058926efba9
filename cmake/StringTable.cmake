# String tables: a resource script with a STRINGTABLE of resource strings
# (runtime/Core/ResStrings.h) must be compiled into each executable as an
# object of its own, since a resource object inside a static archive is
# never linked.
#
#   qd_string_table(<library> <script.rc>)
#
# makes the script an interface source of the library for executables only:
# every executable that links the library (directly or through another
# library) compiles the script itself; the libraries in between don't.
function(qd_string_table library script)
  target_sources(${library} INTERFACE
    $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:${script}>)
endfunction()

# The resource compiler writes no dependency file, so a script would not be
# compiled again when a list of strings that it includes changes. Called
# once after every folder is added: makes each copy of `script` depend on
# every list of resource strings of the runtime and the library.
function(qd_string_table_depends script)
  file(GLOB_RECURSE lists CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/runtime/*Strings.h
       ${CMAKE_SOURCE_DIR}/library/*Strings.h)
  set(dirs ${CMAKE_SOURCE_DIR})
  set(queue ${CMAKE_SOURCE_DIR})
  while(queue)
    list(POP_FRONT queue dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    list(APPEND queue ${subdirs})
  endwhile()
  set_source_files_properties(${script} DIRECTORY ${dirs} PROPERTIES OBJECT_DEPENDS "${lists}")
endfunction()
