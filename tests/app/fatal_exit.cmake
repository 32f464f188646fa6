# The fatal path of setup.exe: its entry point and hooks around a body that fails on purpose,
# linked as setup.exe is, with two delayed imports that cannot be had.
set(FATAL_PROBE_LIBS)
foreach(def fatal_probe fatal_probe_psapi)
  set(library ${CMAKE_BINARY_DIR}/delayed/lib${def}.a)
  add_custom_command(OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayed
    COMMAND ${SETUP_DLLTOOL} --kill-at --input-def ${CMAKE_CURRENT_LIST_DIR}/${def}.def
            --output-delaylib ${library}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${def}.def VERBATIM)
  list(APPEND FATAL_PROBE_LIBS ${library})
endforeach()
add_custom_target(fatal_probe_libraries DEPENDS ${FATAL_PROBE_LIBS})
add_executable(fatal_probe WIN32 ${SETUP_SOURCE_DIR}/app/entry.cpp ${SETUP_SOURCE_DIR}/app/no_throw.cpp
               app/fatal_probe.cpp)
add_dependencies(fatal_probe fatal_probe_libraries)
target_compile_options(fatal_probe PRIVATE ${PRODUCT_FLAGS})
target_link_libraries(fatal_probe PRIVATE ${FATAL_PROBE_LIBS} setupcore)
set_target_properties(fatal_probe PROPERTIES DELAY_LOAD_SYSTEM_DLLS ON RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
target_link_options(fatal_probe PRIVATE -nostartfiles -Wl,-e,_SetupEntry -Wl,--disable-auto-import)

add_wine_test(fatal_exit_test SOURCES app/fatal_exit_test.cpp DEPENDS fatal_probe planted_dll
              ENV "WINEDLLOVERRIDES=korvelabsent=n,b")
