add_test_helper(fake_app WIN32 SOURCES install/fake_app.cpp LIBS shell32)
add_wine_test(running_apps_test SOURCES install/running_apps_test.cpp
              PREFIXES win32-winxp win64-win7 DEPENDS fake_app TIMEOUT 180)
