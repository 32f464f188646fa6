# The application object in a program of its own, with satellite libraries to pick up.
add_test_helper(fw_app_host WIN32 SOURCES framework/app_host.cpp framework/host.rc LIBS framework shell32)

# A resource-only satellite: no entry point, no code.
add_resource_dll(fw_satellite framework/satellite.rc)

# A satellite whose entry point would leave a mark if it ever ran.
add_library(fw_active_satellite SHARED framework/active_satellite.cpp framework/active_satellite.rc)
set_target_properties(fw_active_satellite PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR} PREFIX "")

add_wine_test(framework_app_test SOURCES framework/app_test.cpp framework/path_test.cpp framework/dialog_test.rc
              PREFIXES win32-winxp win64-win7 DEPENDS fw_app_host fw_satellite fw_active_satellite)
# Keyboard input and message boxes: with the other tests of that display, one at a time.
