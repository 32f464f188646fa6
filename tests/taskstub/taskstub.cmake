# The Task Scheduler stand-in: a COM server DLL that the hook register.sh puts in a test prefix
# in place of the system's Task Scheduler client.
add_library(taskstub SHARED taskstub/taskstub.cpp taskstub/taskstub.def)
target_link_libraries(taskstub PRIVATE ole32 oleaut32 uuid taskschd)
target_link_options(taskstub PRIVATE -Wl,--enable-stdcall-fixup)
set_target_properties(taskstub PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
