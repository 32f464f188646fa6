# Windows Installer packages and driver files of the demo and test media, built with wixl into
# build/media/. tools/make_medium.py puts them onto a medium.
include(${CMAKE_CURRENT_LIST_DIR}/../drivers/version_files.cmake)
find_program(WIXL wixl REQUIRED)

set(MEDIA_DIR ${CMAKE_BINARY_DIR}/media)
set(PACKAGE_SOURCES ${SETUP_SOURCE_DIR}/tools/packages)
set(DEMO_PRODUCT_CODE 8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4)

# Driver files: the medium's, and newer ones a machine may already have.
add_version_file(driver_3_1 3 1 0 0)
add_version_file(driver_3_2 3 2 0 0)
set(MEDIUM_DRIVER ${TEST_BIN_DIR}/driver_3_1.dll)

file(WRITE ${MEDIA_DIR}/maps.dat "Example Maps: map data of the current build\n")
file(WRITE ${MEDIA_DIR}/EarlierBuild.txt "Example Maps: marker of the earlier build\n")
file(WRITE ${MEDIA_DIR}/broken.msi "not a Windows Installer package\n")

# wixl takes file sources relative to its working folder only.
add_custom_command(OUTPUT ${MEDIA_DIR}/medium_driver.sys
  COMMAND ${CMAKE_COMMAND} -E copy ${MEDIUM_DRIVER} ${MEDIA_DIR}/medium_driver.sys
  DEPENDS driver_3_1 VERBATIM)

# The test packages' custom actions, beside the sources wixl reads.
add_library(package_actions SHARED ${CMAKE_CURRENT_LIST_DIR}/package_actions.cpp)
target_link_libraries(package_actions PRIVATE msi)
target_link_options(package_actions PRIVATE -Wl,--kill-at)
set_target_properties(package_actions PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${MEDIA_DIR}
                      RUNTIME_OUTPUT_DIRECTORY ${MEDIA_DIR})

function(add_package output arch wxs)
  add_custom_command(OUTPUT ${MEDIA_DIR}/${output}
    COMMAND ${WIXL} -a ${arch} ${ARGN} -o ${output} ${PACKAGE_SOURCES}/${wxs}
    WORKING_DIRECTORY ${MEDIA_DIR}
    DEPENDS ${PACKAGE_SOURCES}/${wxs} ${MEDIA_DIR}/medium_driver.sys package_actions
    COMMENT "Building package ${output}" VERBATIM)
  list(APPEND MEDIA_FILES ${MEDIA_DIR}/${output})
  set(MEDIA_FILES ${MEDIA_FILES} PARENT_SCOPE)
endfunction()

add_package(Setup_ENU.msi x86 product.wxs -D ProductCode=${DEMO_PRODUCT_CODE} -D Version=2.0.0
            -D ComponentGuid=1B7E2C44-9A3D-4E51-8F20-6C4D8B1A0E77 -D FileName=maps.dat
            -D FileSource=maps.dat -D Reboot=no -D Actions=no)
add_package(Setup_ENU_earlier.msi x86 product.wxs -D ProductCode=${DEMO_PRODUCT_CODE} -D Version=1.0.0
            -D ComponentGuid=6C2E8A40-5B1D-4F3A-9E7C-0A2C4E6B8D19 -D FileName=EarlierBuild.txt
            -D FileSource=EarlierBuild.txt -D Reboot=no -D Actions=no)
add_package(Setup_ENU_reboot.msi x86 product.wxs -D ProductCode=${DEMO_PRODUCT_CODE} -D Version=2.0.0
            -D ComponentGuid=1B7E2C44-9A3D-4E51-8F20-6C4D8B1A0E77 -D FileName=maps.dat
            -D FileSource=maps.dat -D Reboot=yes -D Actions=no)
# A product package of 2,500 small files: several seconds to install under Wine, long enough to
# watch the installation's page while it runs.
add_custom_command(OUTPUT ${MEDIA_DIR}/product_tiles.wxs
  COMMAND python3 ${PACKAGE_SOURCES}/make_tiles_package.py ${MEDIA_DIR} 2500 ${DEMO_PRODUCT_CODE}
  DEPENDS ${PACKAGE_SOURCES}/make_tiles_package.py VERBATIM)
add_custom_command(OUTPUT ${MEDIA_DIR}/Setup_ENU_tiles.msi
  COMMAND ${WIXL} -a x86 -o Setup_ENU_tiles.msi product_tiles.wxs
  WORKING_DIRECTORY ${MEDIA_DIR} DEPENDS ${MEDIA_DIR}/product_tiles.wxs VERBATIM)
list(APPEND MEDIA_FILES ${MEDIA_DIR}/Setup_ENU_tiles.msi)
add_package(Setup_ENU_ask.msi x86 product.wxs -D ProductCode=${DEMO_PRODUCT_CODE} -D Version=2.0.0
            -D ComponentGuid=1B7E2C44-9A3D-4E51-8F20-6C4D8B1A0E77 -D FileName=maps.dat
            -D FileSource=maps.dat -D Reboot=yes -D Actions=ask)
add_package(Setup_ENU_stuck.msi x86 product.wxs -D ProductCode=${DEMO_PRODUCT_CODE} -D Version=1.0.0
            -D ComponentGuid=6C2E8A40-5B1D-4F3A-9E7C-0A2C4E6B8D19 -D FileName=EarlierBuild.txt
            -D FileSource=EarlierBuild.txt -D Reboot=no -D Actions=refuseremoval)
# The product package naming an external cabinet that is not beside it.
add_custom_command(OUTPUT ${MEDIA_DIR}/Setup_ENU_nocab.msi
  COMMAND ${CMAKE_COMMAND} -E copy Setup_ENU.msi Setup_ENU_nocab.msi
  COMMAND msibuild Setup_ENU_nocab.msi -q "UPDATE `Media` SET `Cabinet`='data1.cab' WHERE `DiskId`=1"
  WORKING_DIRECTORY ${MEDIA_DIR} DEPENDS ${MEDIA_DIR}/Setup_ENU.msi VERBATIM)
list(APPEND MEDIA_FILES ${MEDIA_DIR}/Setup_ENU_nocab.msi)
# The product package with its cabinet beside it as data1.cab, and what a failed download may
# leave in the cabinet's place.
add_custom_command(OUTPUT ${MEDIA_DIR}/Setup_ENU_extcab.msi ${MEDIA_DIR}/data1.cab
  COMMAND ${CMAKE_COMMAND} -E copy Setup_ENU.msi Setup_ENU_extcab.msi
  COMMAND sh -c "msiinfo extract Setup_ENU.msi product.cab >data1.cab"
  COMMAND msibuild Setup_ENU_extcab.msi -q "UPDATE `Media` SET `Cabinet`='data1.cab' WHERE `DiskId`=1"
  WORKING_DIRECTORY ${MEDIA_DIR} DEPENDS ${MEDIA_DIR}/Setup_ENU.msi VERBATIM)
list(APPEND MEDIA_FILES ${MEDIA_DIR}/Setup_ENU_extcab.msi)
# That cabinet with one byte changed in its data, and signed as makers sign their media; the
# product package with one byte changed in its embedded cabinet.
set(CABINET_TOOLS ${SETUP_SOURCE_DIR}/tests/install)
add_custom_command(OUTPUT ${MEDIA_DIR}/data1_damaged.cab ${MEDIA_DIR}/data1_signed.cab ${MEDIA_DIR}/Setup_ENU_damagedcab.msi
  COMMAND ${CMAKE_COMMAND} -E copy data1.cab data1_damaged.cab
  COMMAND bash ${CABINET_TOOLS}/damage_cabinet.sh data1_damaged.cab
  COMMAND bash ${CABINET_TOOLS}/sign_cabinet.sh data1.cab data1_signed.cab
  COMMAND ${CMAKE_COMMAND} -E copy Setup_ENU.msi Setup_ENU_damagedcab.msi
  COMMAND bash ${CABINET_TOOLS}/damage_cabinet.sh Setup_ENU_damagedcab.msi product.cab
  WORKING_DIRECTORY ${MEDIA_DIR}
  DEPENDS ${MEDIA_DIR}/data1.cab ${MEDIA_DIR}/Setup_ENU.msi ${CABINET_TOOLS}/damage_cabinet.sh
          ${CABINET_TOOLS}/sign_cabinet.sh VERBATIM)
list(APPEND MEDIA_FILES ${MEDIA_DIR}/data1_damaged.cab)
file(WRITE ${MEDIA_DIR}/download_error.html "<html><body>503 Service Unavailable</body></html>\n")
add_package(Setup_ENU_failing.msi x86 product.wxs -D ProductCode=${DEMO_PRODUCT_CODE} -D Version=2.0.0
            -D ComponentGuid=1B7E2C44-9A3D-4E51-8F20-6C4D8B1A0E77 -D FileName=maps.dat
            -D FileSource=maps.dat -D Reboot=no -D Actions=failinstall)
# Drivers packages that end with 1602 by themselves, under the drivers' product codes.
add_package(USB_32_quit.msi x86 product.wxs -D ProductCode=3C5E7A91-2B4D-4F6E-8A0C-1D3F5B7E9A24 -D Version=3.1.0
            -D ComponentGuid=2A4C6E80-1B3D-4F5A-9C7E-0D2F4A6C8E21 -D FileName=krvlusb.sys
            -D FileSource=medium_driver.sys -D Reboot=no -D Actions=quit)
add_package(USB_64_quit.msi x64 product.wxs -D ProductCode=4D6F8B02-3C5E-4A7F-9B1D-2E4A6C8E0F35 -D Version=3.1.0
            -D ComponentGuid=2A4C6E80-1B3D-4F5A-9C7E-0D2F4A6C8E22 -D FileName=krvlusb.sys
            -D FileSource=medium_driver.sys -D Reboot=no -D Actions=quit)
# Packages that ask for a restart at their end: a drivers package (under a product code of its
# own) and the earlier build, whose removal asks for one.
add_package(USB_32_reboot.msi x86 product.wxs -D ProductCode=5E7A9C13-4D6F-4B80-8C2E-3F5B7D9F1A46 -D Version=3.2.0
            -D ComponentGuid=2A4C6E80-1B3D-4F5A-9C7E-0D2F4A6C8E31 -D FileName=krvlusb.sys
            -D FileSource=medium_driver.sys -D Reboot=yes -D Actions=no)
add_package(USB_64_reboot.msi x64 product.wxs -D ProductCode=6F8BAD24-5E70-4C91-9D3F-4A6C8EA02B57 -D Version=3.2.0
            -D ComponentGuid=2A4C6E80-1B3D-4F5A-9C7E-0D2F4A6C8E32 -D FileName=krvlusb.sys
            -D FileSource=medium_driver.sys -D Reboot=yes -D Actions=no)
add_package(Setup_ENU_earlier_reboot.msi x86 product.wxs -D ProductCode=${DEMO_PRODUCT_CODE} -D Version=1.0.0
            -D ComponentGuid=6C2E8A40-5B1D-4F3A-9E7C-0A2C4E6B8D19 -D FileName=EarlierBuild.txt
            -D FileSource=EarlierBuild.txt -D Reboot=yes -D Actions=no)
add_package(USB_32.msi x86 usb_32.wxs -D Driver=medium_driver.sys)
add_package(USB_64.msi x64 usb_64.wxs -D Driver=medium_driver.sys)

add_custom_target(media ALL DEPENDS ${MEDIA_FILES} driver_3_1 driver_3_2)
add_dependencies(demo_tools media)

# Arguments of tools/make_medium.py for a complete medium with these packages.
set(MEDIUM_PACKAGE_ARGS
  --product-code ${DEMO_PRODUCT_CODE}
  --copy ${MEDIA_DIR}/Setup_ENU.msi=Setup_ENU.msi
  --languages all
  --copy ${MEDIA_DIR}/USB_32.msi=USB_Drivers/USB_32.msi
  --copy ${MEDIA_DIR}/USB_64.msi=USB_Drivers/USB_64.msi)
foreach(sys krvlusb krvlgen krvl0200 krvl0400 krvl1200)
  list(APPEND MEDIUM_PACKAGE_ARGS --copy ${MEDIUM_DRIVER}=USB_Drivers/I386/${sys}.sys)
endforeach()
foreach(sys krvlusb krvlgen)
  list(APPEND MEDIUM_PACKAGE_ARGS --copy ${MEDIUM_DRIVER}=USB_Drivers/Amd64/${sys}.sys)
endforeach()
string(REPLACE ";" " " MEDIUM_PACKAGE_ARGS_TEXT "${MEDIUM_PACKAGE_ARGS}")
file(WRITE ${CMAKE_BINARY_DIR}/demo_medium_args "${MEDIUM_PACKAGE_ARGS_TEXT}\n")

add_wine_test(install_e2e_test SOURCES e2e/install_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp win64-winxp64 win32-win7 SETUP e2e/make_media.sh
  DEPENDS setup media fake_app setupDEU launch_record LIBS msi TIMEOUT 400
  SUITES HappyPath DriversCurrent NoSetupData GuardedApplication CancelledPrompt NoRoom BrokenPackage ExitFromLicense)
add_wine_test(install_e2e_drive_test SOURCES e2e/install_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP e2e/make_media.sh e2e/other_drive.sh DEPENDS setup media fake_app setupDEU launch_record
  LIBS msi TIMEOUT 400 SUITES OtherDrive)
add_wine_test(install_e2e_german_test SOURCES e2e/install_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP e2e/make_media.sh DEPENDS setup media fake_app setupDEU launch_record LIBS msi TIMEOUT 400
  ENV "LC_ALL=de_DE.UTF-8" SUITES Satellite)
# The removal of the earlier build through the Task Scheduler stand-in.
add_wine_test(install_task_e2e_test SOURCES e2e/install_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-win7 win64-win10 SETUP e2e/make_media.sh taskstub/register.sh
  DEPENDS setup media fake_app setupDEU taskstub LIBS msi TIMEOUT 400 SUITES TaskRemoval HostileCode)
add_wine_test(install_keyboard_test SOURCES e2e/install_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP e2e/make_media.sh DEPENDS setup media fake_app setupDEU LIBS msi TIMEOUT 400
  SUITES KeyboardOnly)

# The unattended demo: clicks through setup.exe and reports what was installed.
add_executable(demo_driver ${SETUP_SOURCE_DIR}/tools/demo_driver.cpp ${SETUP_SOURCE_DIR}/tests/kit/kit.cpp
               ${SETUP_SOURCE_DIR}/tests/kit/setup_driver.cpp ${SETUP_SOURCE_DIR}/tests/kit/window_kit.cpp)
target_link_libraries(demo_driver PRIVATE framework msi gdiplus shlwapi)
target_link_options(demo_driver PRIVATE -municode)
set_target_properties(demo_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
add_dependencies(demo_tools demo_driver)

# The installation's own page, watched while a long installation runs.
add_wine_test(progress_e2e_test SOURCES e2e/progress_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP e2e/make_media.sh e2e/unattended_media.sh
  DEPENDS setup media LIBS msi oleacc TIMEOUT 300
  SUITES Watched Cancel Busy Question Passive CancelAfterRemoval RestartRefused OneBox MediumCheck)
add_wine_test(progress_e2e_64_test SOURCES e2e/progress_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win64-win10 SETUP e2e/make_media.sh e2e/unattended_media.sh
  DEPENDS setup media LIBS msi oleacc TIMEOUT 300 SUITES Watched)

# The pages, the installation and its outcome in the user's language.
add_wine_test(language_e2e_test SOURCES e2e/language_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP e2e/language_media.sh DEPENDS setup satellites media LIBS msi oleacc TIMEOUT 400
  ENV "LC_ALL=de_DE.UTF-8" SUITES German)
add_wine_test(language_e2e_french_test SOURCES e2e/language_e2e_test.cpp pages/page_test_kit.cpp
  PREFIXES win32-winxp SETUP e2e/language_media.sh DEPENDS setup satellites media LIBS msi oleacc TIMEOUT 400
  ENV "LC_ALL=fr_FR.UTF-8" SUITES French)
