# The game in a browser, built with Debian's emscripten (emcmake cmake): the image loader
# compiled from its pinned source archive, the browser's files in place of the windowing
# library, OpenGL and the mixer (src/web/), and a program linked to run its blocking main loop
# across the browser's animation frames (ASYNCIFY). Its pictures come beside it as PNG, turned
# back into the game's TGA files before it starts (src/web/pictures_web.js); its music is
# fetched once it draws (src/web/music_web.cpp).
set(HAYSTACK_SOIL_ARCHIVE "" CACHE FILEPATH
    "The image loader's source archive, checked against its pin (scripts/pinned-source soil-)")
if(NOT EXISTS "${HAYSTACK_SOIL_ARCHIVE}")
    message(FATAL_ERROR "HAYSTACK_SOIL_ARCHIVE must name the image loader's pinned source "
        "archive (now: '${HAYSTACK_SOIL_ARCHIVE}'); `make web` passes it")
endif()

enable_language(C) # the image loader is written in C

# The image loader, unpacked afresh when the archive changes; its header as <SOIL/SOIL.h>. It
# includes <GL/gl.h> in a browser, which is the browser's OpenGL layer here.
set(SOIL_DIR ${CMAKE_BINARY_DIR}/soil)
if(EXISTS ${SOIL_DIR}/unpacked-from)
    file(READ ${SOIL_DIR}/unpacked-from SOIL_UNPACKED_FROM)
endif()
if(NOT "${SOIL_UNPACKED_FROM}" STREQUAL "${HAYSTACK_SOIL_ARCHIVE}")
    file(REMOVE_RECURSE ${SOIL_DIR})
    file(ARCHIVE_EXTRACT INPUT ${HAYSTACK_SOIL_ARCHIVE} DESTINATION ${SOIL_DIR}/archive)
    file(GLOB SOIL_TOP ${SOIL_DIR}/archive/*)
    file(COPY ${SOIL_TOP}/src/SOIL.h DESTINATION ${SOIL_DIR}/include/SOIL)
    file(WRITE ${SOIL_DIR}/unpacked-from "${HAYSTACK_SOIL_ARCHIVE}")
endif()
file(GLOB SOIL_TOP ${SOIL_DIR}/archive/*)
add_library(soil STATIC ${SOIL_TOP}/src/SOIL.c ${SOIL_TOP}/src/image_DXT.c
    ${SOIL_TOP}/src/image_helper.c ${SOIL_TOP}/src/stb_image_aug.c)
target_include_directories(soil PRIVATE ${PROJECT_SOURCE_DIR}/src/web)
target_compile_options(soil PRIVATE -w) # not our code: its warnings are not ours to mend

add_library(game_libraries INTERFACE)
target_include_directories(game_libraries BEFORE INTERFACE ${PROJECT_SOURCE_DIR}/src/web)
target_include_directories(game_libraries SYSTEM INTERFACE ${SOIL_DIR}/include)
target_link_libraries(game_libraries INTERFACE soil)
target_link_options(game_libraries INTERFACE
    -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2 # WebGL 2, or the page says it is missing
    -sASYNCIFY -sASYNCIFY_IGNORE_INDIRECT=1     # the flip waits; no wait behind a pointer
    -sINITIAL_MEMORY=64MB                       # the world, its copies for drawing, the data
    -sENVIRONMENT=web
    --pre-js ${PROJECT_SOURCE_DIR}/src/web/pictures_web.js)

set(HAYSTACK_PLATFORM_SOURCES src/web/allegro_web.cpp src/web/gl_web.cpp src/web/music_web.cpp
    src/web/desktop_web.cpp src/web/endings_web.cpp src/web/random_glibc.cpp
    src/web/screen_web.cpp src/web/settings_web.cpp src/web/gamepad_web.cpp
    src/web/page_controls_web.cpp)
set(HAYSTACK_PROGRAM_SOURCES) # none: the page carries the icon
set(CMAKE_EXECUTABLE_SUFFIX .js) # haystack.js, with haystack.wasm beside it
