include(${CMAKE_CURRENT_LIST_DIR}/../drivers/version_files.cmake)
add_test_helper(env_probe SOURCES env/env_probe.cpp LIBS setupcore)
add_wine_test(system_checks_test SOURCES env/system_checks_test.cpp env/guards_test.cpp
  PREFIXES win32-win98 win32-winme win32-nt40 win32-win2k win32-winxp win32-win7 win64-winxp64 win64-win10
  DEPENDS env_probe ${VERSION_FILE_TARGETS} LIBS version)
add_wine_test(system_library_test SOURCES env/system_library_test.cpp PREFIXES win32-winxp win64-win10
  DEPENDS env_probe fileversion_none ENV "WINEDLLOVERRIDES=msi=n,b")
