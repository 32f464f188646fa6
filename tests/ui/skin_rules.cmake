add_wine_test(skin_rules_test SOURCES ui/skin_rules_test.cpp ui/bitmap_file_test.cpp PREFIXES win32-winxp)
