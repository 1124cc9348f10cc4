# Cross-build for 32-bit Windows with Debian's MinGW-w64 (posix threads, for std::thread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(DOPPLEX_MINGW_TRIPLET i686-w64-mingw32)
# SSE2 arithmetic, not the x87's 80-bit intermediates: the same doubles as the 64-bit build, so
# the same pulse counts and traces. It needs a Pentium 4, Athlon 64 or later.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
