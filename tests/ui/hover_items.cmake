# Real mouse input: a display of their own, one such test at a time (see dialog_sk.cmake).
add_wine_test(hover_items_test SOURCES ui/hover_items_test.cpp ui/ui_test.rc PREFIXES win32-winxp win64-win7
              ENV "RIG_DISPLAY=:97")
set_tests_properties(hover_items_test.win32-winxp hover_items_test.win64-win7 PROPERTIES RESOURCE_LOCK ui_display)
