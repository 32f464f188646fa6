#!/bin/bash
# Registers the Task Scheduler stand-in (taskstub.dll) in the prefix in place of the system's
# client library: same class id, name, ProgID and threading model as the system registers, in
# the registry view of 32-bit programs (the setup is one).
set -euo pipefail
if [ "$RIG_ARCH" = win64 ]; then folder=syswow64; view=/reg:32; else folder=system32; view=; fi
cp "$RIG_BIN_DIR/taskstub.dll" "$WINEPREFIX/drive_c/windows/$folder/taskstub.dll"
reg=$WINEPREFIX/drive_c/taskstub.reg
clsid='HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{0F87369F-A4E5-4CFC-BD3E-73E6154572DD}'
cat >"$reg" <<REG
Windows Registry Editor Version 5.00

[$clsid]
@="TaskScheduler"

[$clsid\\InprocServer32]
@="C:\\\\windows\\\\system32\\\\taskstub.dll"
"ThreadingModel"="Both"

[$clsid\\ProgId]
@="Schedule.Service.1"

[$clsid\\VersionIndependentProgId]
@="Schedule.Service"
REG
wine reg import 'C:\taskstub.reg' $view
rm -f "$reg"
