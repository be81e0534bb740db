# The macro editor and its event rows.
add_library(veldmark_macro_editor STATIC
    ${CMAKE_CURRENT_LIST_DIR}/combo_edit_element.cpp
    ${CMAKE_CURRENT_LIST_DIR}/macro_control.cpp
    ${CMAKE_CURRENT_LIST_DIR}/macro_event_names.cpp
    ${CMAKE_CURRENT_LIST_DIR}/macro_recorder.cpp
)
target_link_libraries(veldmark_macro_editor PUBLIC veldmark_macros veldmark_platform_ui veldmark_platform_capture
    PRIVATE veldmark_platform_trace)
