add_wine_test(setup_data_test SOURCES app/setup_data_test.cpp PREFIXES win32-winxp win64-winxp64)
