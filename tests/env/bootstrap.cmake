include(${CMAKE_CURRENT_LIST_DIR}/bootstrap_files.cmake)
add_test_helper(bootstrap_host SOURCES env/bootstrap_host.cpp LIBS setupcore)
add_wine_test(bootstrap_test SOURCES env/bootstrap_test.cpp
  PREFIXES win32-win98 win32-winme win32-nt40 win32-win2k win32-winxp win64-winxp64
  DEPENDS bootstrap_host launch_record ${BOOTSTRAP_ENGINE_TARGETS} TIMEOUT 180)
