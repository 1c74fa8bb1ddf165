# Cross build of the shipped 32-bit Windows program.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# Every program of this build is 32-bit: the prefix that runs them (through qemu where needed).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run --wow64)
