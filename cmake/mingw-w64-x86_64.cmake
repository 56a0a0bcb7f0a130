# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix): the posix
# thread model (std::thread, std::mutex), a static runtime so that devpanel-cli.exe needs no DLL
# beside it on a bare Windows, and Wine as the emulator through which ctest and
# gtest_discover_tests run the test programs.
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DEVPANEL_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(DEVPANEL_MINGW_CXX NAMES ${DEVPANEL_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(DEVPANEL_MINGW_CC NAMES ${DEVPANEL_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(DEVPANEL_MINGW_WINDRES NAMES ${DEVPANEL_MINGW_TRIPLE}-windres)
set(CMAKE_C_COMPILER ${DEVPANEL_MINGW_CC})
set(CMAKE_CXX_COMPILER ${DEVPANEL_MINGW_CXX})
if(DEVPANEL_MINGW_WINDRES)
  set(CMAKE_RC_COMPILER ${DEVPANEL_MINGW_WINDRES})
endif()

# Libraries and programs of the target come from the MinGW root only; programs run on the build
# machine come from the host. Packages (CMake config files, header-only libraries) are looked up in
# both, so a header-only library installed for the host does not stop the configure.
set(CMAKE_FIND_ROOT_PATH /usr/${DEVPANEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# No libgcc_s, libstdc++ or winpthread DLL beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows programs run here through Wine, in the build folder's own prefix (made by
# "wineboot -i", or by Wine on first use), offline (no Mono or Gecko offered) and quiet.
find_program(DEVPANEL_WINE NAMES wine wine64)
if(DEVPANEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
      "WINEDLLOVERRIDES=mscoree,mshtml=" WINEDEBUG=-all ${DEVPANEL_WINE})
endif()

# std::counting_semaphore and std::binary_semaphore: without a futex, MinGW's libstdc++ (GCC 12)
# builds them on its atomic-wait fallback, which loses wake-ups (the waiter reads the counter,
# the releaser notifies the condition variable without taking its mutex, then the waiter blocks
# until its time-out or for ever). The POSIX semaphore of winpthreads (a Win32 semaphore) wakes
# reliably; the same define must reach every file, so it is set here for the whole build.
add_compile_definitions(_GLIBCXX_USE_POSIX_SEMAPHORE=1)
