# Tests of the selection entry and the profile list control.
if(NOT TARGET veldmark_sim OR NOT TARGET veldmark_profile_ui)
    return()
endif()
veldmark_test(NAME profile_ui_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_option_ui_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/device_profile_ui_test.cpp
    LIBS veldmark_profile_ui veldmark_sim LABELS device)
target_compile_definitions(profile_ui_test PRIVATE
    VELDMARK_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
