# The Outlook capture's tables, property readers, .msg writers and Redemption
# binding, in-process against the MAPI, Outlook and Redemption doubles. Dates
# are formatted in a fixed time zone and the user locale 0409.
file(GLOB KQ_OUTLOOK_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/outlook/*.cpp)
kq_add_gtest(outlook_capture_tests SOURCES ${KQ_OUTLOOK_TEST_SOURCES} LIBS brenmarkcore kqdoubles)
target_include_directories(outlook_capture_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/outlook)
set_property(TEST outlook_capture_tests APPEND PROPERTY ENVIRONMENT "TZ=Europe/Berlin")
# Dates once more in a zone without daylight saving.
kq_add_wine_test(outlook_capture_nodst_tests outlook_capture_tests
                 --gtest_filter=CollectMapiPropertiesTest.AZoneWithoutDaylightSavingGivesLocalDatesToo)
set_property(TEST outlook_capture_nodst_tests APPEND PROPERTY ENVIRONMENT "TZ=Asia/Tokyo")
