# Cross-compiles 64-bit Windows (x86_64) executables with MinGW-w64's posix
# thread model: the same program for 64-bit Windows, and the build whose
# tests run on machines that execute no 32-bit code.
set(QD_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
