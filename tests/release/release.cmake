# Release builds (tools/release.sh): the same bytes from two places and times, and Authenticode
# signatures that verify and strip back to those bytes. The signing test compares with the
# pair's output, so it runs after the pair. Both build on every core: they run alone, so the
# windows and waits of the Wine tests are not starved.
set(RELEASE_TEST_DIR ${CMAKE_BINARY_DIR}/release-test)
add_test(NAME release_reproducible
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/reproducible.sh ${SETUP_SOURCE_DIR} ${RELEASE_TEST_DIR})
set_tests_properties(release_reproducible PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE FIXTURES_SETUP release_builds)

add_test_helper(main_page_probe SOURCES release/main_page_probe.cpp LIBS testkit)
add_test(NAME release_signing
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/signing.sh ${SETUP_SOURCE_DIR} ${RELEASE_TEST_DIR})
set_tests_properties(release_signing PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE FIXTURES_REQUIRED release_builds
  ENVIRONMENT "RIG_DIR=${RIG_DIR};RIG_KEEPALIVE=$<TARGET_FILE:keepalive>;RIG_SOURCE_DIR=${SETUP_SOURCE_DIR};RIG_BIN_DIR=${TEST_BIN_DIR}")
