add_wine_test(security_test SOURCES system/security_test.cpp PREFIXES win32-winxp win64-winxp64 TIMEOUT 120)
