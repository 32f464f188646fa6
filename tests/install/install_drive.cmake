add_wine_test(install_drive_test SOURCES install/install_drive_test.cpp PREFIXES win32-winxp win64-winxp64 TIMEOUT 120)
# All 26 drive letters in use: a removable A:, a fixed B: on a 40 MiB tmpfs, the system's C:,
# an optical D:, and so on (see the hook).
add_wine_test(install_drive_letters_test SOURCES install/install_drive_letters_test.cpp
              PREFIXES win32-winxp win64-winxp64 SETUP install/install_drive_letters.sh TIMEOUT 180)
