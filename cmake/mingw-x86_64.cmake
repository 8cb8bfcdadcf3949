# The same toolchain for 64-bit Windows programs: the test programs' build on a machine
# that cannot run 32-bit ones.
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
