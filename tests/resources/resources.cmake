add_wine_test(resources_test SOURCES resources/resources_test.cpp PREFIXES win32-winxp DEPENDS setup LIBS version)
