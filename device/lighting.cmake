# The host-side lighting engine: tables, effects, layers and the custom effect
# player. No I/O and no framework, so every device kind can own one.
add_library(veldmark_lighting STATIC
    ${CMAKE_CURRENT_LIST_DIR}/lighting_engine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lighting_frame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lighting_key_levels.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lighting_layers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lighting_player.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lighting_tables.cpp
)
target_link_libraries(veldmark_lighting PUBLIC Threads::Threads)
