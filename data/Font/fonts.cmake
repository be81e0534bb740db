# The five font files the program loads from Font/. They are not kept in the
# repository: each is copied at build time from a free font of the system
# (Debian's fonts-noto-core and fonts-noto-cjk, installed by scripts/setup.sh)
# under the name the program asks for. A font missing on the build machine is
# skipped; the program then runs with the fonts it could load.
set(veldmark_font_map
    "Simplified_Chinese.ttf|/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"
    "Skyreach-Regular.otf|/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf"
    "NotoSansThai-Regular.ttf|/usr/share/fonts/truetype/noto/NotoSansThai-Regular.ttf"
    "NotoSansCJKtc-Regular.otf|/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"
    "Metropolis-Regular.ttf|/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf"
)
set(veldmark_font_commands)
foreach(entry ${veldmark_font_map})
    string(REPLACE "|" ";" pair "${entry}")
    list(GET pair 0 font_name)
    list(GET pair 1 font_source)
    if(EXISTS "${font_source}")
        list(APPEND veldmark_font_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different
             "${font_source}" "${VELDMARK_RUNTIME_DIR}/Font/${font_name}")
        install(FILES "${font_source}" DESTINATION share/veldmark/Font RENAME "${font_name}")
    else()
        message(STATUS "Font ${font_name}: ${font_source} not found, skipped")
    endif()
endforeach()
if(veldmark_font_commands)
    add_custom_target(veldmark_fonts ALL
        COMMAND ${CMAKE_COMMAND} -E make_directory "${VELDMARK_RUNTIME_DIR}/Font"
        ${veldmark_font_commands}
        COMMENT "Copying the fonts")
    add_dependencies(veldmark_data veldmark_fonts)
endif()
