# setup.exe loads on Windows 95, 98, Me and NT 4 (to refuse them) and runs on Windows 2000 SP4
# and later: see import_check.py.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(IMPORT_CHECK ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/import_check.py)
add_test(NAME import_check
         COMMAND ${IMPORT_CHECK} $<TARGET_FILE:setup> ${CMAKE_CURRENT_LIST_DIR}/winexports ${CMAKE_CURRENT_LIST_DIR}/oldwin)
# The check sees the crash a dllimport call into a delay-load library would be.
add_executable(empty_delay_slot ${CMAKE_CURRENT_LIST_DIR}/empty_delay_slot.c)
set_target_properties(empty_delay_slot PROPERTIES DELAY_LOAD_SYSTEM_DLLS ON RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
target_link_libraries(empty_delay_slot PRIVATE windows_libraries)
add_test(NAME import_check_finds_empty_delay_slot
         COMMAND ${IMPORT_CHECK} $<TARGET_FILE:empty_delay_slot> ${CMAKE_CURRENT_LIST_DIR}/winexports ${CMAKE_CURRENT_LIST_DIR}/oldwin)
set_tests_properties(import_check_finds_empty_delay_slot PROPERTIES
  PASS_REGULAR_EXPRESSION "USER32.DLL!GetSystemMetrics: its address slot is zero")
# The check sees an ordinary import that Windows 95 exports and NT 4 lacks.
add_executable(toolhelp_import ${CMAKE_CURRENT_LIST_DIR}/toolhelp_import.c)
set_target_properties(toolhelp_import PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
add_test(NAME import_check_finds_nt4_gap
         COMMAND ${IMPORT_CHECK} $<TARGET_FILE:toolhelp_import> ${CMAKE_CURRENT_LIST_DIR}/winexports ${CMAKE_CURRENT_LIST_DIR}/oldwin)
set_tests_properties(import_check_finds_nt4_gap PROPERTIES
  PASS_REGULAR_EXPRESSION "KERNEL32.dll!CreateToolhelp32Snapshot: not exported by NT 4")
