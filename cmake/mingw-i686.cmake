# Cross-compiles 32-bit Windows (i686) executables with MinGW-w64's posix
# thread model: the product.
set(QD_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
