# The settings and info dialogs, driven as a user would under Xvfb, in a
# test program that carries the dialogs' resources and string table itself.
set(KQ_ADDIN_DIR ${PROJECT_SOURCE_DIR}/addin)
kq_add_gtest(addin_dialog_tests SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/SettingsDialogTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/InfoDialogTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/DialogTestResources.rc
  ${KQ_ADDIN_DIR}/SettingsDialog.cpp
  ${KQ_ADDIN_DIR}/InfoDialog.cpp)
target_include_directories(addin_dialog_tests PRIVATE ${KQ_ADDIN_DIR})
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/DialogTestResources.rc PROPERTIES
  OBJECT_DEPENDS "${KQ_ADDIN_DIR}/SettingsDialog.rc;${KQ_ADDIN_DIR}/InfoDialog.rc;${KQ_ADDIN_DIR}/Brenmark.ico")

# A module without a version resource, beside the test program.
add_library(kq_noversion SHARED ${CMAKE_CURRENT_SOURCE_DIR}/NoVersionModule.c)
set_target_properties(kq_noversion PROPERTIES PREFIX "")
add_dependencies(addin_dialog_tests kq_noversion)
