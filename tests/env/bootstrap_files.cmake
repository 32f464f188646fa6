include_guard(GLOBAL)
# Stand-ins for the installed engine program: resource-only DLLs whose fixed file version is
# known, copied by the bootstrap tests to "msiexec.exe" in a folder of their own.
#
#   add_bootstrap_engine_file(name MAJOR MINOR)  ->  tests/bin/<name>.dll
#   add_bootstrap_engine_file(name)              ->  a DLL with resources but no version
function(add_bootstrap_engine_file name)
  set(dir ${CMAKE_BINARY_DIR}/tests/bootstrap_files)
  set(rc ${dir}/${name}.rc)
  set(object ${dir}/${name}.res.o)
  set(dll ${TEST_BIN_DIR}/${name}.dll)
  if(ARGC EQUAL 3)
    set(v "${ARGV1},${ARGV2},0,0")
    # The product version differs, so only the file version can give the expected number.
    file(CONFIGURE OUTPUT ${rc} CONTENT [[
1 VERSIONINFO
FILEVERSION @v@
PRODUCTVERSION 9,9,9,9
FILEOS 0x40004
FILETYPE 1
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904b0"
    BEGIN
      VALUE "FileVersion", "8.8"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1200
  END
END
]] @ONLY)
  else()
    file(CONFIGURE OUTPUT ${rc} CONTENT [[
STRINGTABLE
BEGIN
  1 "no version resource"
END
]] @ONLY)
  endif()
  add_custom_command(OUTPUT ${dll}
    COMMAND ${CMAKE_RC_COMPILER} -c 65001 -O coff -o ${object} ${rc}
    COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -s -o ${dll} ${object}
    DEPENDS ${rc}
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${dll})
endfunction()

add_bootstrap_engine_file(bootstrap_engine_1_10 1 10)
add_bootstrap_engine_file(bootstrap_engine_1_99 1 99)
add_bootstrap_engine_file(bootstrap_engine_2_0 2 0)
add_bootstrap_engine_file(bootstrap_engine_3_1 3 1)
add_bootstrap_engine_file(bootstrap_engine_0_0 0 0)
add_bootstrap_engine_file(bootstrap_engine_none)
set(BOOTSTRAP_ENGINE_TARGETS bootstrap_engine_1_10 bootstrap_engine_1_99 bootstrap_engine_2_0
    bootstrap_engine_3_1 bootstrap_engine_0_0 bootstrap_engine_none)
