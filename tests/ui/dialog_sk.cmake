# The skinned dialog with real windows; the second run has the display at 120 pixels per inch.
# Real mouse input: a display of their own, and one such test at a time, so that no other
# test's pointer moves reach these windows.
add_wine_test(dialog_sk_test SOURCES ui/dialog_sk_test.cpp ui/ui_test.rc PREFIXES win32-winxp win64-win7
              ENV "RIG_DISPLAY=:97")
add_wine_test(dialog_sk_dpi120_test SOURCES ui/dialog_sk_test.cpp ui/ui_test.rc PREFIXES win32-winxp
              SETUP ui/dpi120.sh ENV "UI_DPI=120;RIG_DISPLAY=:97")
set_tests_properties(dialog_sk_test.win32-winxp dialog_sk_test.win64-win7 dialog_sk_dpi120_test.win32-winxp
                     PROPERTIES RESOURCE_LOCK ui_display)
