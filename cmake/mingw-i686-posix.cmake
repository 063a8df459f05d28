# The GoogleTest executables for 32-bit Windows: GoogleTest needs std::mutex, which g++ 12 has
# only with MinGW-w64's POSIX-thread compilers. Never the product (see mingw-i686.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
