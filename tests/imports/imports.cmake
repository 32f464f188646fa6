# setup.exe loads on Windows 2000 SP4 and later only when every function it imports is exported
# there: newer ones are looked up at run time.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME import_check
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/import_check.py $<TARGET_FILE:setup>
                 ${CMAKE_CURRENT_LIST_DIR}/winexports)
