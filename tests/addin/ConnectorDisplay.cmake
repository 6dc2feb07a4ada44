# DisplaySettings and DisplayInfo through the registered connector, and
# Quenby's "/s" opening the settings dialog end to end.
if(TARGET brenmark)
  kq_add_gtest(addin_display_tests SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ConnectorDisplayTest.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/RegisteredKeys.cpp)
  target_include_directories(addin_display_tests PRIVATE ${PROJECT_SOURCE_DIR}/addin)
endif()
if(TARGET brenmark AND TARGET Quenby)
  kq_add_gtest(quenby_settings_tests SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/QuenbySettingsTest.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/RegisteredKeys.cpp)
  target_include_directories(quenby_settings_tests PRIVATE ${PROJECT_SOURCE_DIR}/addin)
  target_compile_definitions(quenby_settings_tests PRIVATE "KQ_QUENBY_PATH=L\"$<TARGET_FILE:Quenby>\"")
  add_dependencies(quenby_settings_tests Quenby)
endif()
