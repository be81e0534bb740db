# The base device object: the page control that owns a device's channels,
# profile document, lighting engine and threads. Kept apart from
# veldmark_device so that the lower device library stays free of the UI.
add_library(veldmark_usb_device STATIC
    ${CMAKE_CURRENT_LIST_DIR}/usb_device.cpp
    ${CMAKE_CURRENT_LIST_DIR}/usb_device_threads.cpp
)
target_link_libraries(veldmark_usb_device PUBLIC veldmark_device veldmark_lighting
    veldmark_profile veldmark_macros veldmark_platform_ui veldmark_platform_trace)
