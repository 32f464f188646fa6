#!/bin/bash
# Wine prefers its own built-in program to a file named like it, even when only a version
# resource is read: the tests' stand-in engine files are named msiexec.exe, so let the file on
# disk be loaded under that name.
set -eu
: "${WINEPREFIX:?}"
wine reg add 'HKCU\Software\Wine\DllOverrides' /v msiexec.exe /t REG_SZ /d native /f
