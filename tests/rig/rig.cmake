# The test rig's own behaviour.
add_test_helper(crash SOURCES rig/crash.cpp)
add_wine_test(rig_test SOURCES rig/rig_test.cpp DEPENDS crash TIMEOUT 60)
