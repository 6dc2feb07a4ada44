# The legacy command bars: button faces through the clipboard, the event
# sinks, the menu and toolbar builder and the add-in's legacy road, against
# the CommandBars, Office and Outlook doubles.
kq_add_gtest(addin_button_face_tests SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ButtonFaceTest.cpp ${BRENMARK_RC}
             LIBS brenmarkcore kqdoubles)
kq_add_gtest(addin_legacy_ui_tests SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/EventSinkTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ButtonClickTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/CommandBarsBuildTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LegacyRoadTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/outlook/MapiTestFixture.cpp
  ${BRENMARK_RC}
  LIBS brenmarkcore kqdoubles)
target_include_directories(addin_legacy_ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/outlook)
