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
