# The key assignment editor.
add_library(veldmark_key_editor STATIC
    ${CMAKE_CURRENT_LIST_DIR}/key_set_control.cpp
)
target_link_libraries(veldmark_key_editor PUBLIC veldmark_platform_ui veldmark_profile)
