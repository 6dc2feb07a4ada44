# The add-in's Outlook commands end to end, from the ribbon callback to the
# stand-in receiving program, against the Outlook, MAPI and Redemption
# doubles, and the attachments dialog driven under Xvfb. The program carries
# Brenmark's resources for the dialogs and texts.
file(GLOB KQ_OUTLOOK_COMMAND_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/outlookcommands/*.cpp)
kq_add_gtest(outlook_commands_tests SOURCES
  ${KQ_OUTLOOK_COMMAND_SOURCES}
  ${CMAKE_CURRENT_SOURCE_DIR}/outlook/MapiTestFixture.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/outlook/OutlookModelFixture.cpp
  ${BRENMARK_RC}
  LIBS brenmarkcore kqdoubles)
target_include_directories(outlook_commands_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/outlook)
set_property(TEST outlook_commands_tests APPEND PROPERTY ENVIRONMENT "TZ=Europe/Berlin")
