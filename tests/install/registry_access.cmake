add_test_helper(registry_access_helper SOURCES install/registry_access_helper.cpp LIBS setupcore)
add_wine_test(registry_access_test SOURCES install/registry_access_test.cpp
              PREFIXES win32-winxp win64-winxp64 DEPENDS registry_access_helper TIMEOUT 180)
