# Cross build for 32-bit Windows with the MinGW-w64 toolchain of Debian (g++-mingw-w64-i686):
# cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
# The DLL it makes loads into 32-bit hosts (Visual Basic 6, 32-bit Office); these machines cannot
# run 32-bit programs, so it is built and inspected here, not run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZC_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
