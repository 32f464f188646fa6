add_wine_test(browser_controller_test SOURCES ui/browser_controller_test.cpp ui/ui_test.rc
              PREFIXES win32-winxp win64-winxp64)
