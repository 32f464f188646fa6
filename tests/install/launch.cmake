add_test_helper(launch_record SOURCES install/launch_record.cpp)
add_wine_test(launch_test SOURCES install/launch_test.cpp
              PREFIXES win32-winxp win64-winxp64 win32-win7 win64-win10
              DEPENDS launch_record LIBS taskschd TIMEOUT 180)

# The same small program for x64, built by the x64 cross compiler: a process the 32-bit setup
# cannot read the module list of.
find_program(MINGW64_CC NAMES x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-gcc REQUIRED)
add_custom_command(OUTPUT ${TEST_BIN_DIR}/sleeper64.exe
  COMMAND ${MINGW64_CC} -O2 -s -static -o ${TEST_BIN_DIR}/sleeper64.exe ${CMAKE_CURRENT_LIST_DIR}/sleeper.c
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/sleeper.c VERBATIM)
add_custom_target(sleeper64 DEPENDS ${TEST_BIN_DIR}/sleeper64.exe)
add_dependencies(launch_test sleeper64)
