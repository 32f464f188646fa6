include_guard(GLOBAL)
# Stand-ins for the installed engine program: files whose fixed file version is known, copied
# by the bootstrap tests to "msiexec.exe" in a folder of their own.
include(${CMAKE_CURRENT_LIST_DIR}/../drivers/version_files.cmake)

add_version_file(bootstrap_engine_1_10 1 10 0 0)
add_version_file(bootstrap_engine_1_99 1 99 0 0)
add_version_file(bootstrap_engine_2_0 2 0 0 0)
add_version_file(bootstrap_engine_3_1 3 1 0 0)
add_version_file(bootstrap_engine_0_0 0 0 0 0)
add_version_file(bootstrap_engine_none)
set(BOOTSTRAP_ENGINE_TARGETS bootstrap_engine_1_10 bootstrap_engine_1_99 bootstrap_engine_2_0
    bootstrap_engine_3_1 bootstrap_engine_0_0 bootstrap_engine_none)
