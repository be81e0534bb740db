if(NOT TARGET veldmark_light_editor)
    return()
endif()
veldmark_test(NAME editors_light_control_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/light_control_ui_test.cpp
    LIBS veldmark_light_editor LABELS device)
