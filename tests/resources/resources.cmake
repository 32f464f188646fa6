add_wine_test(resources_test SOURCES resources/resources_test.cpp PREFIXES win32-winxp DEPENDS setup LIBS version)
add_wine_test(languages_test SOURCES resources/languages_test.cpp PREFIXES win32-winxp DEPENDS setup satellites LIBS comctl32 version)
