# The scheduled-task launch with the Task Scheduler stand-in registered in the prefix.
find_program(MINGW64_CXX x86_64-w64-mingw32-g++-posix REQUIRED)
# The recording helper built as a 64-bit program, for the wait across bitness.
add_custom_command(OUTPUT ${TEST_BIN_DIR}/launch_record64.exe
  COMMAND ${MINGW64_CXX} -O2 -static -municode -o ${TEST_BIN_DIR}/launch_record64.exe
          ${CMAKE_CURRENT_SOURCE_DIR}/system/launch_record.cpp
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/system/launch_record.cpp
  COMMENT "Building the 64-bit launch_record64.exe" VERBATIM)
add_custom_target(launch_record64 DEPENDS ${TEST_BIN_DIR}/launch_record64.exe)

add_wine_test(task_launch_test SOURCES system/task_launch_test.cpp
              PREFIXES win32-win7 win64-win7 win32-win10 win64-win10 SETUP taskstub/register.sh
              DEPENDS launch_record launch_record64 taskstub LIBS shell32 TIMEOUT 180)
