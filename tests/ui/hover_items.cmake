# Real mouse input (see dialog_sk.cmake).
add_wine_test(hover_items_test SOURCES ui/hover_items_test.cpp ui/ui_test.rc PREFIXES win32-winxp win64-win7
  LIBS oleacc)
