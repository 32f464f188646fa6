add_test_helper(ui_engine_probe SOURCES ui/engine_probe.cpp)
add_wine_test(browser_controller_test SOURCES ui/browser_controller_test.cpp ui/ui_test.rc
              PREFIXES win32-winxp win64-winxp64 DEPENDS ui_engine_probe)
