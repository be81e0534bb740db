veldmark_bench(NAME lighting_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/lighting_bench.cpp
    LIBS veldmark_lighting)
