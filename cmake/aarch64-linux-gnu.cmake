# Cross-build for 64-bit ARM Linux (a Raspberry Pi 3, 4 or 5 on a 64-bit system) with Debian's
# crossbuild-essential-arm64 and the :arm64 libraries beside the machine's own (multiarch); the
# tests run under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# Only the arm64 libraries' .pc files, with Debian's cross wrapper.
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static -L /usr/aarch64-linux-gnu)
