#!/bin/bash
# Sets the prefix's display resolution to 120 pixels per inch: Wine reads the user's value and
# falls back to the machine's font profile.
set -e
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 0x78 /f
wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d 0x78 /f
wineserver -w
