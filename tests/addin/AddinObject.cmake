# The add-in object in this program against host doubles: its lifecycle,
# ribbon, commands and the Word, Excel and PowerPoint capture. The program
# carries Brenmark's resources for the dialogs and texts.
kq_add_gtest(addin_object_tests SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/AddinLifecycleTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/RibbonTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/DocumentPropertiesTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/OfficeCaptureTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/AddinCommandsTest.cpp
  ${BRENMARK_RC}
  LIBS brenmarkcore kqdoubles)
