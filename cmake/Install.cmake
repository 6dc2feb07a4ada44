# The installation set: the files an administrator copies into one folder.
# The i686 tree lays every 32-bit deliverable with the ribbon's pictures and
# the samples; the x86_64 tree adds only Brenmark-64.dll, since its other
# programs are 64-bit builds for the tests and the demo. cmake/install.sh
# installs both trees into one folder.
set(KQ_SET_DIR .)
if(KQ_64BIT)
  install(PROGRAMS $<TARGET_FILE:brenmark> DESTINATION ${KQ_SET_DIR})
else()
  install(PROGRAMS $<TARGET_FILE:brenmark> $<TARGET_FILE:Corvelle> $<TARGET_FILE:Quenby>
                   $<TARGET_FILE:ostrelle>
          DESTINATION ${KQ_SET_DIR})
  foreach(picture ${KQ_RIBBON_PICTURES})
    install(FILES ${PROJECT_SOURCE_DIR}/addin/ribbon/${picture} DESTINATION ${KQ_SET_DIR})
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/addin/sample/setup.ini
                ${PROJECT_SOURCE_DIR}/droptarget/sample/Corvelle.ini
                ${PROJECT_SOURCE_DIR}/droptarget/sample/droplet.png
                ${PROJECT_SOURCE_DIR}/droptarget/sample/upload.ini
          DESTINATION ${KQ_SET_DIR})
endif()
