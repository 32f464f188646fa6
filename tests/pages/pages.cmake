# setup.exe started from generated media (tests/pages/make_media.sh), driven as a user would.

# German satellite libraries, one without the title format, one with a broken main page.
add_resource_dll(setupDEU pages/strings_deu.rc)
add_resource_dll(setupDEU_notitle pages/strings_deu.rc -D WITHOUT_TITLE_FORMAT)
add_resource_dll(setupDEU_brokenpage pages/strings_deu.rc -D WITH_BROKEN_MAIN_PAGE)

add_library(planted_dll SHARED pages/planted_dll.cpp)
set_target_properties(planted_dll PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})

set(PAGE_TEST_DEPENDS setup fake_app setupDEU setupDEU_notitle setupDEU_brokenpage planted_dll)
add_wine_test(startup_test SOURCES pages/startup_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp win64-win7 SETUP pages/make_media.sh DEPENDS ${PAGE_TEST_DEPENDS} TIMEOUT 400)
add_wine_test(pages_test SOURCES pages/pages_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP pages/make_media.sh DEPENDS ${PAGE_TEST_DEPENDS} TIMEOUT 400)
add_wine_test(refused_windows_test SOURCES pages/refused_windows_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-win95 win32-win98 win32-winme win32-nt40 win32-win2k SETUP pages/make_media.sh DEPENDS ${PAGE_TEST_DEPENDS})
add_wine_test(german_test SOURCES pages/german_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP pages/make_media.sh DEPENDS ${PAGE_TEST_DEPENDS} ENV "LC_ALL=de_DE.UTF-8")
add_wine_test(planted_dll_test SOURCES pages/planted_dll_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP pages/make_media.sh DEPENDS ${PAGE_TEST_DEPENDS}
  ENV "WINEDLLOVERRIDES=msi,uxtheme,dwmapi,comctl32,userenv,oleacc=n,b")
add_wine_test(license_text_test SOURCES pages/license_text_test.cpp PREFIXES win32-winxp)
add_wine_test(keyboard_test SOURCES pages/keyboard_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP pages/make_media.sh DEPENDS ${PAGE_TEST_DEPENDS} LIBS oleacc)
