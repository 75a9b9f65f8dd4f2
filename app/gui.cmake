# The Qt desktop program: the windows in orlenta_gui, the program start in orlenta.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(orlenta_gui
  gui/Font.cpp
  gui/Parameters.cpp
  gui/TextLayout.cpp
  gui/FieldFilter.cpp
  gui/About.cpp
  gui/Help.cpp
  gui/OrlentaIcon.cpp
  gui/VectorDisplay3D.cpp
  gui/GuiHooks.cpp
  gui/StatusNotes.cpp
  gui/ViewOptions.cpp
  gui/MachineFields.cpp
  gui/LivePreview.cpp
  gui/RememberedSettings.cpp
  gui/FontSettings.cpp
  gui/VCarveFields.cpp
)
set_target_properties(orlenta_gui PROPERTIES AUTOMOC ON)
target_include_directories(orlenta_gui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(orlenta_gui PUBLIC orlenta_command orlenta_preview orlenta_appcore Qt6::Widgets)
orlenta_warnings(orlenta_gui)

add_executable(orlenta gui/main.cpp)
set_target_properties(orlenta PROPERTIES AUTOMOC ON)
target_link_libraries(orlenta PRIVATE orlenta_gui)
orlenta_warnings(orlenta)

# The help file sits beside the executable, where the Help menu looks for it.
add_custom_command(TARGET orlenta POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${CMAKE_CURRENT_SOURCE_DIR}/Orlenta.hlp $<TARGET_FILE_DIR:orlenta>/Orlenta.hlp
  VERBATIM)
orlenta_ship_parameters(orlenta)
