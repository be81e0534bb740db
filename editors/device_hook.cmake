# The main window's keyboard and mouse capture over the platform's capture service.
add_library(veldmark_device_hook STATIC
    ${CMAKE_CURRENT_LIST_DIR}/device_hook.cpp
)
target_link_libraries(veldmark_device_hook PUBLIC veldmark_platform_capture veldmark_platform_ui
    PRIVATE veldmark_platform_trace)
