# Satellite libraries: setup<ABBR>.dll beside setup.exe, one resource-only DLL per language, made
# from resources/languages/<ABBR>.rc (the entries of resources/strings.rc by name, translated).
# <ABBR> is the abbreviation Windows gives the user's UI language (LOCALE_SABBREVLANGNAME). The
# Windows languages of SETUP_LANGUAGE_ALIASES take another language's texts and files. No time
# stamp and a fixed image base (the automatic one hashes the output path): the same bytes from
# any build folder.
set(SETUP_LANGUAGES DEU FRA ESN ITA NLD PTB PLK SVE DAN NOR FIN CSY)
set(SETUP_LANGUAGE_ALIASES ESP=ESN NON=NOR PTG=PTB)

set(satellite_files "")
foreach(language ${SETUP_LANGUAGES})
  set(source ${CMAKE_CURRENT_LIST_DIR}/${language}.rc)
  set(object ${CMAKE_BINARY_DIR}/languages/setup${language}.res.o)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/setup${language}.dll
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/languages
    COMMAND ${CMAKE_RC_COMPILER} -c 65001 -I ${SETUP_SOURCE_DIR} -i ${source} -o ${object}
    COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -Wl,--no-insert-timestamp -Wl,--disable-auto-image-base -s
            -o ${CMAKE_BINARY_DIR}/setup${language}.dll ${object}
    DEPENDS ${source} ${SETUP_SOURCE_DIR}/resources/resource.h VERBATIM)
  list(APPEND satellite_files ${CMAKE_BINARY_DIR}/setup${language}.dll)
endforeach()
foreach(alias ${SETUP_LANGUAGE_ALIASES})
  string(REPLACE "=" ";" pair ${alias})
  list(GET pair 0 language)
  list(GET pair 1 texts)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/setup${language}.dll
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/setup${texts}.dll ${CMAKE_BINARY_DIR}/setup${language}.dll
    DEPENDS ${CMAKE_BINARY_DIR}/setup${texts}.dll VERBATIM)
  list(APPEND satellite_files ${CMAKE_BINARY_DIR}/setup${language}.dll)
endforeach()
add_custom_target(satellites ALL DEPENDS ${satellite_files})
add_dependencies(demo_tools satellites)
