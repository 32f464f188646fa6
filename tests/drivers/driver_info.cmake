include(${CMAKE_CURRENT_LIST_DIR}/version_files.cmake)
add_test_helper(drivers_probe SOURCES drivers/drivers_probe.cpp LIBS setupcore)
add_wine_test(driver_info_test SOURCES drivers/driver_info_test.cpp
  PREFIXES win32-winxp win32-win7 win64-winxp64 win64-win10
  DEPENDS drivers_probe ${VERSION_FILE_TARGETS})
