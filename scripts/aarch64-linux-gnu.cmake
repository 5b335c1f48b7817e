# Cross-compiles for arm64 with Debian's g++-aarch64-linux-gnu, against the C library and C++
# runtime that come with it (those of this machine's release); everything else the build needs
# for arm64 (the interpreter's headers, unibilium) is given to it from Debian's arm64 packages.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
