# The tables of the library's GB18030 converter are generated at build time
# from the build machine's character map "GB18030" (Debian's locales
# package, installed by scripts/setup) by gb18030tables, a small tool built
# with the build machine's own compiler. Nothing generated is kept in the
# repository.
#
# Sets QD_GB18030_TABLES (the generated source) and the target
# gb18030_tables, which every target compiling that source depends on.

find_program(QD_HOST_CXX NAMES g++ c++)
find_program(QD_GZIP NAMES gzip REQUIRED)
set(QD_GB18030_CHARMAP /usr/share/i18n/charmaps/GB18030.gz CACHE FILEPATH
    "The GB18030 character map (gzip-compressed) the converter's tables come from")
if(NOT EXISTS ${QD_GB18030_CHARMAP})
  message(FATAL_ERROR "No GB18030 character map at ${QD_GB18030_CHARMAP}: run scripts/setup "
                      "(it installs Debian's locales package)")
endif()

set(QD_GB18030_TOOL ${CMAKE_BINARY_DIR}/tools/gb18030tables)
set(QD_GB18030_TEXT ${CMAKE_BINARY_DIR}/generated/GB18030.charmap)
set(QD_GB18030_TABLES ${CMAKE_BINARY_DIR}/generated/Gb18030Tables.cpp)

add_custom_command(OUTPUT ${QD_GB18030_TOOL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools
  COMMAND ${QD_HOST_CXX} -std=c++20 -O2 -Wall -Wextra ${CMAKE_SOURCE_DIR}/tools/gb18030tables.cpp
          -o ${QD_GB18030_TOOL}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/gb18030tables.cpp
  COMMENT "Building the GB18030 table generator for the build machine"
  VERBATIM)
add_custom_command(OUTPUT ${QD_GB18030_TABLES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND sh -c "\"$1\" -dc \"$2\" > \"$3\"" sh ${QD_GZIP} ${QD_GB18030_CHARMAP} ${QD_GB18030_TEXT}
  COMMAND ${QD_GB18030_TOOL} ${QD_GB18030_TEXT} ${QD_GB18030_TABLES}
  DEPENDS ${QD_GB18030_TOOL} ${QD_GB18030_CHARMAP}
  COMMENT "Generating the GB18030 tables from ${QD_GB18030_CHARMAP}"
  VERBATIM)
add_custom_target(gb18030_tables DEPENDS ${QD_GB18030_TABLES})
