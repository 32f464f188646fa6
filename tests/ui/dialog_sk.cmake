# The skinned dialog with real windows; the second run has the display at 120 pixels per inch.
# Real mouse input: every run has a display of its own, so no other test's pointer reaches them.
add_wine_test(dialog_sk_test SOURCES ui/dialog_sk_test.cpp ui/ui_test.rc PREFIXES win32-winxp win64-win7)
add_wine_test(dialog_sk_dpi120_test SOURCES ui/dialog_sk_test.cpp ui/ui_test.rc PREFIXES win32-winxp
              SETUP ui/dpi120.sh ENV "UI_DPI=120")
