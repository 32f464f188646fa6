include_guard(GLOBAL)
# Files with known version resources for the tests, built as resource-only DLLs into the test
# folder. Fragments that use them include this file (fragments are read in path order).
#
#   add_version_file(name MAJOR MINOR BUILD REVISION)  ->  tests/bin/<name>.dll
#   add_version_file(name)                             ->  a DLL with resources but no version
#
# The product version and the version strings are deliberately different from the file
# version, so only the fixed file version can give the expected number.
function(add_version_file name)
  set(dir ${CMAKE_BINARY_DIR}/tests/version_files)
  set(rc ${dir}/${name}.rc)
  set(object ${dir}/${name}.res.o)
  set(dll ${TEST_BIN_DIR}/${name}.dll)
  if(ARGC EQUAL 5)
    set(v "${ARGV1},${ARGV2},${ARGV3},${ARGV4}")
    file(CONFIGURE OUTPUT ${rc} CONTENT [[
1 VERSIONINFO
FILEVERSION @v@
PRODUCTVERSION 99,98,97,96
FILEOS 0x40004
FILETYPE 3
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904b0"
    BEGIN
      VALUE "FileVersion", "77.76"
      VALUE "ProductVersion", "99.98"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1200
  END
END
]] @ONLY)
  elseif(ARGC EQUAL 1)
    file(CONFIGURE OUTPUT ${rc} CONTENT [[
STRINGTABLE
BEGIN
  1 "no version resource here"
END
]] @ONLY)
  else()
    message(FATAL_ERROR "add_version_file(${name} ...): give four version numbers or none")
  endif()
  add_custom_command(OUTPUT ${dll}
    COMMAND ${CMAKE_RC_COMPILER} -c 65001 -O coff -o ${object} ${rc}
    COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -s -o ${dll} ${object}
    DEPENDS ${rc}
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${dll})
endfunction()

# The common set: name = what GetFileVersionMS must read from it.
add_version_file(fileversion_5_2 5 2 0 0)
add_version_file(fileversion_5_10 5 10 0 0)
add_version_file(fileversion_2_3_0_0 2 3 0 0)
add_version_file(fileversion_2_3_9_9 2 3 9 9)
add_version_file(fileversion_0_0_1_1 0 0 1 1)
add_version_file(fileversion_none)
set(VERSION_FILE_TARGETS fileversion_5_2 fileversion_5_10 fileversion_2_3_0_0 fileversion_2_3_9_9
    fileversion_0_0_1_1 fileversion_none)
