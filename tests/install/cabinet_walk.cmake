# Cabinets made by gcab, one signed by osslsigncode, and damaged copies of a cabinet and of a
# package's embedded cabinet: the read-through's known inputs, in the test programs' folder.
set(TEST_CABINETS_DIR ${TEST_BIN_DIR}/cabinets)
set(CABINET_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/make_cabinets.sh ${CMAKE_CURRENT_LIST_DIR}/sign_cabinet.sh
                    ${CMAKE_CURRENT_LIST_DIR}/damage_cabinet.sh ${CMAKE_CURRENT_LIST_DIR}/cabinet_reserve.py)
add_custom_command(OUTPUT ${TEST_CABINETS_DIR}/plain.cab ${TEST_CABINETS_DIR}/damaged.cab
                          ${TEST_CABINETS_DIR}/damaged_embedded.msi
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make_cabinets.sh ${TEST_CABINETS_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${TEST_CABINETS_DIR}/zip.cab ${TEST_CABINETS_DIR}/damaged.cab
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/damage_cabinet.sh ${TEST_CABINETS_DIR}/damaged.cab
  COMMAND ${CMAKE_COMMAND} -E copy ${MEDIA_DIR}/Setup_ENU.msi ${TEST_CABINETS_DIR}/damaged_embedded.msi
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/damage_cabinet.sh ${TEST_CABINETS_DIR}/damaged_embedded.msi product.cab
  DEPENDS ${CABINET_SCRIPTS} ${MEDIA_DIR}/Setup_ENU.msi VERBATIM)
add_custom_target(test_cabinets DEPENDS ${TEST_CABINETS_DIR}/plain.cab)
add_wine_test(cabinet_walk_test SOURCES install/cabinet_walk_test.cpp DEPENDS test_cabinets media TIMEOUT 180)
