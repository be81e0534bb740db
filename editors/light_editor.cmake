# The lighting editor: a control of the page tree that implements the device
# page's LightEditorView.
add_library(veldmark_light_editor STATIC ${CMAKE_CURRENT_LIST_DIR}/light_control_ui.cpp)
target_link_libraries(veldmark_light_editor PUBLIC veldmark_platform_ui veldmark_profile)
