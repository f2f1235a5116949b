# 64-bit ARM Linux with Debian's cross compiler and the arm64 packages of a
# multiarch system (dpkg --add-architecture arm64).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# The arm64 C library of the multiarch system, not the cross one (threads
# hang under qemu-user with the latter).
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64;-L;/)
