# Helpers shared by the module and test CMake files.

# Libraries every Windows module of the system links.
set(KQ_WIN_LIBS ole32 oleaut32 uuid shell32 shlwapi user32 gdi32 gdiplus comctl32 advapi32 version)

# Link a target with the Windows libraries and check afterwards that it
# imports nothing but system DLLs.
function(kq_windows_target target)
  target_link_libraries(${target} PRIVATE ${KQ_WIN_LIBS})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DFILE=$<TARGET_FILE:${target}>
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckImports.cmake
    VERBATIM)
endfunction()
