add_test_helper(launch_record SOURCES system/launch_record.cpp)
add_wine_test(launch_test SOURCES system/launch_test.cpp
              PREFIXES win32-winxp win64-winxp64 win32-win7 win64-win10
              DEPENDS launch_record LIBS taskschd TIMEOUT 180)

add_dependencies(launch_test launch_record64)
