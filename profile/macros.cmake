# The macro store and the macro memory image, shared by the keyboard and
# mouse device objects, the macro editor and veldmarkctl.
add_library(veldmark_macros STATIC
    ${CMAKE_CURRENT_LIST_DIR}/macro_records.cpp
    ${CMAKE_CURRENT_LIST_DIR}/macro_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/macro_image.cpp
)
target_link_libraries(veldmark_macros PUBLIC veldmark_profile PRIVATE veldmark_platform_trace)
