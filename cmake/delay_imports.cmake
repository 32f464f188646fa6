# setup.exe must start on Windows 95, 98, Me and NT 4 far enough to refuse them, so the loader may
# resolve only functions every one of them exports: KERNEL32 functions of Windows 95 that NT 4
# has too, msvcrt.dll and three ANSI USER32 functions. Every other system function is
# delay-loaded: its DLL is loaded from the system folder at the first call, or the run ends
# (the notify hook in app/entry.cpp). The calls must not go through
# __imp_ pointers (binutils leaves such a delay slot empty), hence DECLSPEC_IMPORT is empty.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(SETUP_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
find_program(SETUP_NM NAMES i686-w64-mingw32-nm REQUIRED)
set(DELAYED_DLLS user32 gdi32 advapi32 shlwapi ole32 oleaut32 shell32)
# Only DLLs Windows maps from its KnownDLLs list are delayed: no search can reach another copy of
# them, whatever the hook does.
set(KNOWN_SYSTEM_DLLS kernel32 user32 gdi32 advapi32 shlwapi ole32 oleaut32 shell32 comdlg32 msvcrt psapi setupapi)
foreach(dll ${DELAYED_DLLS})
  if(NOT dll IN_LIST KNOWN_SYSTEM_DLLS)
    message(FATAL_ERROR "Delay-loaded ${dll}.dll is not a known system DLL: load it with LoadSystemLibrary")
  endif()
endforeach()
set(ORDINARY_USER32_FUNCTIONS LoadStringA MessageBoxA wsprintfA)
set(WINDOWS95_KERNEL32 ${CMAKE_CURRENT_LIST_DIR}/../tests/imports/oldwin/win95_kernel32.txt)
set(NT4_KERNEL32_MISSING ${CMAKE_CURRENT_LIST_DIR}/../tests/imports/oldwin/nt4_kernel32_missing.txt)
set(DELAY_LIBRARY_TOOL ${CMAKE_CURRENT_LIST_DIR}/delay_library.py)

add_compile_definitions(DECLSPEC_IMPORT=)

set(delayed_libraries)
foreach(dll ${DELAYED_DLLS} kernel32)
  find_library(SETUP_IMPORT_LIB_${dll} NAMES lib${dll}.a REQUIRED NO_CACHE)
  string(TOUPPER ${dll}.dll dll_name)
  set(output ${CMAKE_BINARY_DIR}/delayed/libdelayed_${dll}.a)
  if(dll STREQUAL user32)
    set(selection --except ${ORDINARY_USER32_FUNCTIONS})
  elseif(dll STREQUAL kernel32)
    set(selection --only-missing-from ${WINDOWS95_KERNEL32} --less ${NT4_KERNEL32_MISSING})
  else()
    set(selection)
  endif()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayed
    COMMAND ${Python3_EXECUTABLE} ${DELAY_LIBRARY_TOOL} ${SETUP_NM} ${SETUP_DLLTOOL} ${SETUP_IMPORT_LIB_${dll}}
            ${dll_name} ${output} ${selection}
    DEPENDS ${DELAY_LIBRARY_TOOL} ${WINDOWS95_KERNEL32} ${NT4_KERNEL32_MISSING} VERBATIM)
  list(APPEND delayed_libraries ${output})
endforeach()
add_custom_target(delayed_import_libraries DEPENDS ${delayed_libraries})
# The system libraries of the program's code. A program with DELAY_LOAD_SYSTEM_DLLS set (setup.exe)
# gets the delay-load libraries first, so that they take the calls; the tests link the ordinary ones.
add_library(windows_libraries INTERFACE)
target_link_libraries(windows_libraries INTERFACE
  $<$<BOOL:$<TARGET_PROPERTY:DELAY_LOAD_SYSTEM_DLLS>>:${delayed_libraries}>
  advapi32 ole32 oleaut32 shlwapi gdi32 user32 kernel32 uuid)
add_dependencies(windows_libraries delayed_import_libraries)
