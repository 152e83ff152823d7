# What the two MinGW-w64 toolchain files share; each sets ZC_MINGW_PREFIX first.
#
# The posix thread model: GCC 12's win32 model has no std::thread or std::mutex. Its
# winpthread is linked statically with the rest of the runtime, so nothing extra ships.
set(CMAKE_C_COMPILER ${ZC_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZC_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZC_MINGW_PREFIX}-windres)

# Headers and libraries come from the MinGW-w64 tree only; programs (widl, wine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZC_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
