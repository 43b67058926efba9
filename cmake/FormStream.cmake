# Form descriptions are kept as text (*.form) and converted at build time to
# the binary form streams that go into the resources, by formconv: a small
# tool built with the build machine's own compiler.
#
#   qd_form_stream(<input.form> <output>)   a rule that makes <output>

find_program(QD_HOST_CXX NAMES g++ c++)
if(NOT QD_HOST_CXX)
  message(FATAL_ERROR "No C++ compiler for the build machine (g++) for the form converter")
endif()

set(QD_FORMCONV ${CMAKE_BINARY_DIR}/tools/formconv)
set(QD_FORMCONV_SOURCES ${CMAKE_SOURCE_DIR}/tools/formconv.cpp ${CMAKE_SOURCE_DIR}/tools/FormText.cpp)
set(QD_FORMCONV_HEADERS ${CMAKE_SOURCE_DIR}/tools/FormText.h ${CMAKE_SOURCE_DIR}/runtime/Toolkit/FormFormat.h)

if(NOT TARGET formconv)
  add_custom_command(OUTPUT ${QD_FORMCONV}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools
    COMMAND ${QD_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -I${CMAKE_SOURCE_DIR}
            ${QD_FORMCONV_SOURCES} -o ${QD_FORMCONV}
    DEPENDS ${QD_FORMCONV_SOURCES} ${QD_FORMCONV_HEADERS}
    COMMENT "Building the form converter for the build machine"
    VERBATIM)
  add_custom_target(formconv DEPENDS ${QD_FORMCONV})
endif()

function(qd_form_stream input output)
  get_filename_component(name ${input} NAME)
  add_custom_command(OUTPUT ${output}
    COMMAND ${QD_FORMCONV} ${input} ${output}
    DEPENDS ${QD_FORMCONV} formconv ${input}
    COMMENT "Converting the form ${name}"
    VERBATIM)
endfunction()
