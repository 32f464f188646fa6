# setup.exe unattended on the end-to-end media and two more (unattended_media.sh).
set(UNATTENDED_MEDIA_HOOKS e2e/make_media.sh e2e/unattended_media.sh)
# A resource-only satellite whose product package entry leaves the medium's folder.
add_resource_dll(leaving_satellite e2e/leaving_satellite.rc)
add_wine_test(unattended_e2e_test SOURCES e2e/unattended_e2e_test.cpp
  PREFIXES win32-winxp win32-win7 win64-win10 SETUP ${UNATTENDED_MEDIA_HOOKS}
  DEPENDS setup media fake_app setupDEU leaving_satellite LIBS msi TIMEOUT 400 SUITES Outcomes Installation)
# A German user's unattended runs: the same exit codes, the same English log.
add_wine_test(unattended_e2e_german_test SOURCES e2e/unattended_e2e_test.cpp
  PREFIXES win32-winxp SETUP ${UNATTENDED_MEDIA_HOOKS} DEPENDS setup satellites media fake_app setupDEU
  leaving_satellite LIBS msi TIMEOUT 400 ENV "LC_ALL=de_DE.UTF-8" SUITES Outcomes)
add_wine_test(unattended_old_windows_test SOURCES e2e/unattended_e2e_test.cpp
  PREFIXES win32-win98 win32-winme win32-nt40 SETUP ${UNATTENDED_MEDIA_HOOKS} DEPENDS setup media fake_app setupDEU leaving_satellite LIBS msi
  SUITES OldWindows)
# Deployment tools' ways: a window station no one sees, an application on another desktop,
# /uninstall.
add_wine_test(unattended_deployment_test SOURCES e2e/unattended_e2e_test.cpp
  PREFIXES win32-winxp win64-win10 SETUP ${UNATTENDED_MEDIA_HOOKS} DEPENDS setup media fake_app setupDEU leaving_satellite LIBS msi
  TIMEOUT 400 SUITES Deployment)
