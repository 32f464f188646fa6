add_wine_test(registry_test SOURCES system/registry_test.cpp PREFIXES win32-winxp win64-winxp64 TIMEOUT 120)
