# Linux i686 (g++ -m32): the core, the simulator and their tests as a 32-bit
# program, where a pointer, long and size_t have 32 bits as in the release
# build. GoogleTest is built from its sources for it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(DEMO_GTEST_SOURCE /usr/src/googletest CACHE PATH "")
# Where the kernel cannot run 32-bit programs, qemu's user mode does; it has
# no ptrace, which the leak checker needs to stop the threads (the program
# hangs at its end). ASan and UBSan work; the 64-bit build checks for leaks.
set(DEMO_TEST_ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0" CACHE STRING "")
# The installed pcsc-lite is 64-bit: the PC/SC driver is tested natively.
set(DEMO_PCSC OFF CACHE BOOL "")
