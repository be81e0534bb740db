# The profile controls of the window: the device selection entry and the
# profile list control. Kept apart from veldmark_profile so that the profile
# storage stays free of the UI.
add_library(veldmark_profile_ui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/device_option_ui.cpp
    ${CMAKE_CURRENT_LIST_DIR}/device_profile_ui.cpp
)
target_link_libraries(veldmark_profile_ui PUBLIC veldmark_profile veldmark_usb_device
    veldmark_platform_ui)
