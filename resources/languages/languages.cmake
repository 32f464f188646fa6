# Satellite libraries: setup<ABBR>.dll beside setup.exe, one resource-only DLL per language, made
# from resources/languages/<ABBR>.rc (the entries of resources/strings.rc by name, translated).
# <ABBR> is the abbreviation Windows gives the user's UI language (LOCALE_SABBREVLANGNAME). The
# Windows languages of SETUP_LANGUAGE_ALIASES take another language's texts and files. No time
# stamp and a fixed image base (the automatic one hashes the output path): the same bytes from
# any build folder.
set(SETUP_LANGUAGES DEU FRA ESN ITA NLD PTB PLK SVE DAN NOR FIN CSY)
set(SETUP_LANGUAGE_ALIASES ESP=ESN NON=NOR PTG=PTB)

# Each library carries a version resource with the setup's version and its language; a library
# of SETUP_LANGUAGE_ALIASES is made from the other language's file under its own name.
set(satellite_files "")
set(satellite_sources ${SETUP_LANGUAGES})
foreach(alias ${SETUP_LANGUAGE_ALIASES})
  list(APPEND satellite_sources ${alias})
endforeach()
foreach(entry ${satellite_sources})
  string(REPLACE "=" ";" pair ${entry})
  list(GET pair 0 language)
  list(GET pair -1 texts)
  set(source ${CMAKE_CURRENT_LIST_DIR}/${texts}.rc)
  set(object ${CMAKE_BINARY_DIR}/languages/setup${language}.res.o)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/setup${language}.dll
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/languages
    COMMAND ${CMAKE_RC_COMPILER} -c 65001 -I ${SETUP_SOURCE_DIR} -I ${SETUP_GENERATED_DIR}
            -D SATELLITE_NAME=setup${language} -i ${source} -o ${object}
    COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -Wl,--no-insert-timestamp -Wl,--disable-auto-image-base -s
            -o ${CMAKE_BINARY_DIR}/setup${language}.dll ${object}
    DEPENDS ${source} ${CMAKE_CURRENT_LIST_DIR}/satellite_version.rc ${SETUP_SOURCE_DIR}/resources/resource.h
            ${SETUP_GENERATED_DIR}/setup_version.h VERBATIM)
  list(APPEND satellite_files ${CMAKE_BINARY_DIR}/setup${language}.dll)
endforeach()
add_custom_target(satellites ALL DEPENDS ${satellite_files})
add_dependencies(demo_tools satellites)
