# setup.exe's size budget and its freedom from the unwinder, read from the image and the link map.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(SETUP_SIZE_BUDGET 131072)
set(IMAGE_CHECK ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/image_check.py)
add_test(NAME image_check
         COMMAND ${IMAGE_CHECK} $<TARGET_FILE:setup> ${CMAKE_BINARY_DIR}/setup.map
                 ${SETUP_SOURCE_DIR}/app/no_throw.cpp ${SETUP_SIZE_BUDGET})
# The check sees a throwing helper that app/no_throw.cpp does not replace, the unwinder it brings,
# and a program over its budget.
add_executable(unwinding_probe ${CMAKE_CURRENT_LIST_DIR}/unwinding_probe.cpp)
set_target_properties(unwinding_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
target_link_options(unwinding_probe PRIVATE -Wl,-Map,${TEST_BIN_DIR}/unwinding_probe.map)
foreach(finding "std::__throw_underflow_error" "__cxa_throw" "_Unwind_" "over its budget of 4096")
  string(REGEX REPLACE "[^A-Za-z0-9]+" "_" id "${finding}")
  string(REGEX REPLACE "^_|_$" "" id "${id}")
  add_test(NAME image_check_finds_${id}
           COMMAND ${IMAGE_CHECK} $<TARGET_FILE:unwinding_probe> ${TEST_BIN_DIR}/unwinding_probe.map
                   ${SETUP_SOURCE_DIR}/app/no_throw.cpp 4096)
  set_tests_properties(image_check_finds_${id} PROPERTIES PASS_REGULAR_EXPRESSION "FAIL: [^\n]*${finding}")
endforeach()

# Function-local statics of the product code: each one listed beside -fno-threadsafe-statics.
set(STATIC_CHECK ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/static_check.py ${SETUP_SOURCE_DIR}/CMakeLists.txt)
set(PRODUCT_FOLDERS app framework system install env ui pages drivers)
list(TRANSFORM PRODUCT_FOLDERS PREPEND ${SETUP_SOURCE_DIR}/)
add_test(NAME static_check COMMAND ${STATIC_CHECK} ${PRODUCT_FOLDERS})
# The check sees an unlisted static (and no constant one), and a listed one that is gone.
add_test(NAME static_check_finds_unlisted COMMAND ${STATIC_CHECK} ${CMAKE_CURRENT_LIST_DIR}/static_sample)
set_tests_properties(static_check_finds_unlisted PROPERTIES
  PASS_REGULAR_EXPRESSION "late_static.cpp:15: function-local static in Count\\(\\) \\(static std::wstring cache")
add_test(NAME static_check_finds_stale_entry COMMAND ${STATIC_CHECK} ${CMAKE_CURRENT_LIST_DIR}/static_sample)
set_tests_properties(static_check_finds_stale_entry PROPERTIES
  PASS_REGULAR_EXPRESSION "names [A-Za-z]+ \\([a-z/_]+\\.cpp\\), which holds no function-local static now")
