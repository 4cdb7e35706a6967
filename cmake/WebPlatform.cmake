# The game in a browser, built with Debian's emscripten (emcmake cmake): src/web/ stands in for
# the windowing library and OpenGL, and holds the game's own files for the browser (its page,
# pictures, music, screen, files and gamepads); the program is linked to run its blocking main
# loop across the browser's animation frames (ASYNCIFY), its WebAssembly packed by gzip
# (src/web/program_web.js). Its pictures come beside it as PNG, which the browser decodes into
# the game's textures (src/web/pictures_web.js, picture_web.cpp); its music is fetched once it
# draws (src/web/music_web.cpp).

add_library(game_libraries INTERFACE)
target_include_directories(game_libraries BEFORE INTERFACE ${PROJECT_SOURCE_DIR}/src/web)
target_link_options(game_libraries INTERFACE
    -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2 # WebGL 2, or the page says it is missing
    -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0  # no extension used: none switched on, which
    -sGL_SUPPORT_SIMPLE_ENABLE_EXTENSIONS=0     # software drawing takes long over at the start
    -sASYNCIFY -sASYNCIFY_IGNORE_INDIRECT=1     # the flip waits; no wait behind a pointer
    -sINITIAL_MEMORY=64MB                       # the world, its copies for drawing, the data
    -sENVIRONMENT=web
    "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/src/web/program_web.js"
    "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/src/web/pictures_web.js")

set(HAYSTACK_PLATFORM_SOURCES src/web/allegro_web.cpp src/web/gl_web.cpp src/web/music_web.cpp
    src/web/desktop_web.cpp src/web/endings_web.cpp src/web/c_library_web.cpp
    src/web/screen_web.cpp src/web/files_web.cpp src/web/gamepad_web.cpp
    src/web/page_web.cpp src/web/picture_web.cpp src/web/board_client_web.cpp)
set(HAYSTACK_PROGRAM_SOURCES) # none: the page carries the icon
set(CMAKE_EXECUTABLE_SUFFIX .js) # haystack.js, with haystack.wasm beside it
