veldmark_test(NAME lighting_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/lighting_effects_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/lighting_frame_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/lighting_key_levels_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/lighting_layers_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/lighting_player_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/lighting_tables_test.cpp
    LIBS veldmark_lighting
    LABELS device)
